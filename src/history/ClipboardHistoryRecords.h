// The value types of a history item: the header and body snapshots that readers get,
// usage metadata with its merge rule, and the duplicate fingerprints.
#pragma once

#include <array>
#include <optional>

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include "Core/Utilities/RawValueEnum.h"

namespace quellpad {

// Stored content type of an item; raw values are what the stores keep.
enum class ClipboardContentType { text, image };

inline constexpr std::array<RawValueCase<ClipboardContentType>, 2> clipboardContentTypeCases{{
    {ClipboardContentType::text, "text"},
    {ClipboardContentType::image, "image"},
}};

inline QString rawValue(ClipboardContentType type) { return rawValueOf(clipboardContentTypeCases, type); }
// nullopt for any other raw value; readers treat that as absent.
inline std::optional<ClipboardContentType> clipboardContentTypeFromRaw(QStringView raw) {
    return caseFromRawValue(clipboardContentTypeCases, raw);
}

// The small header of an item: everything lists, sorting and filters need.
struct ClipboardHistoryIndexSnapshot {
    QString id;             // upper-case hyphenated UUID
    QString preview;        // one-line display text
    QString searchText;     // text searched without the index; "" for images until recognised
    QDateTime createdAt;    // capture time, never changes
    std::optional<QDateTime> lastAccessedAt;
    qint64 accessCount = 0; // never negative
    ClipboardContentType contentType = ClipboardContentType::text;
    std::optional<QString> bundleIdentifier; // application frontmost at capture
    std::optional<QString> classification;   // absent for images and plain text

    bool operator==(const ClipboardHistoryIndexSnapshot&) const = default;
};

// The payload of an item, loaded one at a time by id.
struct ClipboardHistoryContentSnapshot {
    QString id;
    QString content; // text item: the text; image item: the preview
    std::optional<QByteArray> richTextRTFData;
    std::optional<QByteArray> richTextHTMLData;
    std::optional<QByteArray> imageData;
    std::optional<QString> ocrText;

    bool operator==(const ClipboardHistoryContentSnapshot&) const = default;
};

struct ClipboardHistoryUsageMetadata {
    std::optional<QDateTime> lastAccessedAt;
    qint64 accessCount = 0;

    bool operator==(const ClipboardHistoryUsageMetadata&) const = default;
};

// Later date of the two (either when equal); count added, saturating at INT64_MAX on
// overflow, and a negative sum becomes 0.
ClipboardHistoryUsageMetadata mergeUsage(const ClipboardHistoryUsageMetadata& a, const ClipboardHistoryUsageMetadata& b);

// The recency key: lastAccessedAt when present and not earlier than createdAt, else createdAt.
QDateTime sortDate(const QDateTime& createdAt, const std::optional<QDateTime>& lastAccessedAt);
inline QDateTime sortDate(const ClipboardHistoryIndexSnapshot& snapshot) {
    return sortDate(snapshot.createdAt, snapshot.lastAccessedAt);
}

// SHA-256 of "text" followed by the UTF-8 text, as 64 lower-case hex digits.
QString textDuplicateFingerprint(const QString& text);
// SHA-256 of the image bytes exactly as stored, without prefix.
QString imageDuplicateFingerprint(const QByteArray& imageBytes);

} // namespace quellpad
