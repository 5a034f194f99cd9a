// The row the search index stores for one history item, and how it is derived from
// the repository's source document.
#pragma once

#include <optional>

#include <QDateTime>
#include <QString>

#include "history/ClipboardHistoryRecords.h"
#include "history/ClipboardSearchSourceDocument.h"

namespace quellpad {

class DefaultsStore;

struct ClipboardSearchIndexConfiguration {
    static constexpr int defaultTextCharacterLimit = 8192;
    static constexpr int defaultImageOCRCharacterLimit = 4096;

    int textCharacterLimit = defaultTextCharacterLimit;         // grapheme clusters
    int imageOCRCharacterLimit = defaultImageOCRCharacterLimit; // grapheme clusters
    bool isPinyinIndexEnabled = false;

    // The default limits with the pinyin flag read now from "ClipboardSearchPinyinIndexEnabled"
    // (false when missing or not a Boolean).
    static ClipboardSearchIndexConfiguration fromDefaults(const DefaultsStore& defaults);

    bool operator==(const ClipboardSearchIndexConfiguration&) const = default;
};

struct ClipboardSearchIndexDocument {
    QString id;
    QString preview;
    QDateTime createdAt;
    QDateTime sortAt; // recency key: last use when not earlier than capture, else capture
    std::optional<QDateTime> lastAccessedAt;
    qint64 accessCount = 0; // never negative
    ClipboardContentType contentType = ClipboardContentType::text;
    std::optional<QString> bundleIdentifier;
    std::optional<QString> classification;
    QString normalizedText;
    QString compactText;
    QString pinyinSpaced;  // "" when the pinyin index is off
    QString pinyinCompact; // "" when the pinyin index is off
    bool isTruncated = false; // the searchable text was cut at the character limit

    static ClipboardSearchIndexDocument make(const ClipboardSearchSourceDocument& source,
                                             const ClipboardSearchIndexConfiguration& configuration);

    bool operator==(const ClipboardSearchIndexDocument&) const = default;
};

} // namespace quellpad
