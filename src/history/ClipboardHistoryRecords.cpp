#include "history/ClipboardHistoryRecords.h"

#include <limits>

#include "Core/Utilities/Hashing.h"

namespace quellpad {

ClipboardHistoryUsageMetadata mergeUsage(const ClipboardHistoryUsageMetadata& a, const ClipboardHistoryUsageMetadata& b) {
    ClipboardHistoryUsageMetadata merged;
    if (a.lastAccessedAt && b.lastAccessedAt) {
        merged.lastAccessedAt = *a.lastAccessedAt >= *b.lastAccessedAt ? a.lastAccessedAt : b.lastAccessedAt;
    } else {
        merged.lastAccessedAt = a.lastAccessedAt ? a.lastAccessedAt : b.lastAccessedAt;
    }
    qint64 sum = 0;
    if (__builtin_add_overflow(a.accessCount, b.accessCount, &sum)) {
        // Counts are never negative when stored, so overflow means "too many uses".
        sum = std::numeric_limits<qint64>::max();
    }
    merged.accessCount = sum < 0 ? 0 : sum;
    return merged;
}

QDateTime sortDate(const QDateTime& createdAt, const std::optional<QDateTime>& lastAccessedAt) {
    if (lastAccessedAt && lastAccessedAt->isValid() && *lastAccessedAt >= createdAt) {
        return *lastAccessedAt;
    }
    return createdAt;
}

QString textDuplicateFingerprint(const QString& text) {
    return Hashing::sha256Hex(QByteArrayLiteral("text") + text.toUtf8());
}

QString imageDuplicateFingerprint(const QByteArray& imageBytes) {
    return Hashing::sha256Hex(imageBytes);
}

} // namespace quellpad
