// The five conditions the index store applies for a filter list, and the date
// ranges of the relative date keywords.
#pragma once

#include <optional>
#include <vector>

#include <QDateTime>
#include <QString>

#include "history/ClipboardHistoryRecords.h"
#include "search/ClipboardSearchFilter.h"

namespace quellpad {

struct ClipboardSearchDateRange {
    QDateTime start;
    QDateTime end;
    bool operator==(const ClipboardSearchDateRange&) const = default;
};

// "today", "yesterday", "week" or "month" relative to now in the local calendar;
// nullopt for any other keyword.
std::optional<ClipboardSearchDateRange> clipboardSearchDateRange(const QString& keyword, const QDateTime& now);

struct ClipboardSearchFilterConditions {
    std::optional<ClipboardContentType> contentType;
    std::optional<QString> classification; // compared without regard to case
    std::optional<QString> bundleIdentifier; // compared without regard to case
    std::optional<QDateTime> lowerBound; // created at or after
    std::optional<QDateTime> upperBound; // created before

    // In list order, the last filter of a kind winning.
    static ClipboardSearchFilterConditions reduce(const std::vector<ClipboardSearchFilter>& filters,
                                                  const QDateTime& now);

    bool operator==(const ClipboardSearchFilterConditions&) const = default;
};

} // namespace quellpad
