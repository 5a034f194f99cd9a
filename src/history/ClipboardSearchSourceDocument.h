// A history item as the repository describes it for the search index.
#pragma once

#include <optional>

#include <QDateTime>
#include <QString>

#include "history/ClipboardHistoryRecords.h"

namespace quellpad {

struct ClipboardSearchSourceDocument {
    QString id;
    QString preview;
    QString searchableText; // the item's text, or the recognised text of an image
    QDateTime createdAt;
    std::optional<QDateTime> lastAccessedAt;
    qint64 accessCount = 0;
    ClipboardContentType contentType = ClipboardContentType::text;
    std::optional<QString> bundleIdentifier;
    std::optional<QString> classification;

    bool operator==(const ClipboardSearchSourceDocument&) const = default;
};

} // namespace quellpad
