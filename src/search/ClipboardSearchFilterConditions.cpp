#include "search/ClipboardSearchFilterConditions.h"

#include "search/ClipboardSearchQueryParser.h"
#include "Core/Utilities/ClipboardSearchText.h"

namespace quellpad {

std::optional<ClipboardSearchDateRange> clipboardSearchDateRange(const QString& keyword, const QDateTime& now) {
    const QDateTime local = now.toLocalTime();
    const QDateTime startOfDay = local.date().startOfDay();
    // Fall back to now where the calendar cannot step (before the epoch of the calendar, say).
    auto orNow = [&](const QDateTime& value) { return value.isValid() ? value : local; };
    if (keyword == QLatin1String("today")) {
        return ClipboardSearchDateRange{startOfDay, orNow(startOfDay.addDays(1))};
    }
    if (keyword == QLatin1String("yesterday")) {
        const QDateTime start = startOfDay.addDays(-1);
        if (!start.isValid()) {
            return ClipboardSearchDateRange{local, local};
        }
        return ClipboardSearchDateRange{start, orNow(start.addDays(1))};
    }
    if (keyword == QLatin1String("week")) {
        return ClipboardSearchDateRange{orNow(startOfDay.addDays(-7)), local};
    }
    if (keyword == QLatin1String("month")) {
        return ClipboardSearchDateRange{orNow(startOfDay.addMonths(-1)), local};
    }
    return std::nullopt;
}

ClipboardSearchFilterConditions ClipboardSearchFilterConditions::reduce(const std::vector<ClipboardSearchFilter>& filters,
                                                                        const QDateTime& now) {
    ClipboardSearchFilterConditions conditions;
    for (const ClipboardSearchFilter& filter : filters) {
        switch (filter.kind) {
        case ClipboardSearchFilterKind::type:
            if (ClipboardSearchText::normalizeSearchText(filter.value).isEmpty()) {
                break;
            }
            if (std::optional<ClipboardContentType> type = ClipboardSearchQueryParser::mainContentType(filter.value)) {
                conditions.contentType = *type;
            } else {
                conditions.classification = filter.value;
            }
            break;
        case ClipboardSearchFilterKind::app:
            conditions.bundleIdentifier = filter.value;
            break;
        case ClipboardSearchFilterKind::after:
            if (auto range = clipboardSearchDateRange(filter.value.toLower(), now)) {
                conditions.lowerBound = range->start;
            }
            break;
        case ClipboardSearchFilterKind::before:
            if (auto range = clipboardSearchDateRange(filter.value.toLower(), now)) {
                conditions.upperBound = range->end;
            }
            break;
        }
    }
    return conditions;
}

} // namespace quellpad
