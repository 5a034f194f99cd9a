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
        // Saturate in the direction of the overflow: too many uses stay at the maximum,
        // and an underflow (only possible with corrupt negative counts) means none.
        sum = a.accessCount > 0 ? std::numeric_limits<qint64>::max() : 0;
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
