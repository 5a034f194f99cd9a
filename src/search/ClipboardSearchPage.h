// What listings and searches of the index hand back.
#pragma once

#include <optional>
#include <vector>

#include <QDateTime>

#include "history/ClipboardHistoryRecords.h"

namespace quellpad {

struct ClipboardSearchPage {
    std::vector<ClipboardHistoryIndexSnapshot> items; // at most the requested limit, in result order
    bool hasMore = false;                              // at least one further row exists

    bool operator==(const ClipboardSearchPage&) const = default;
};

struct ClipboardSearchIndexStats {
    qint64 documentCount = 0;
    qint64 gramCount = 0;
    std::optional<QDateTime> lastRebuildAt;

    bool operator==(const ClipboardSearchIndexStats&) const = default;
};

} // namespace quellpad
