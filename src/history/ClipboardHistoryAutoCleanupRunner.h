// Applies the per-type retention policies: deletes the items of a type created before
// now minus the policy's duration. Runs just before each capture of that type, at most
// once per minimumCleanupInterval per type, or forced (monitoring start, a newly saved
// policy). Main thread only.
#pragma once

#include <functional>
#include <map>
#include <memory>

#include <QDateTime>

#include "history/ClipboardHistoryRecords.h"

namespace quellpad {

class ClipboardHistoryRepositoryProtocol;
class DefaultsStore;

class ClipboardHistoryAutoCleanupRunner {
public:
    using DateProvider = std::function<QDateTime()>;
    static constexpr double standardMinimumCleanupInterval = 3600; // seconds

    // An empty dateProvider means the system clock. The repository and the defaults
    // store must outlive the runner.
    ClipboardHistoryAutoCleanupRunner(std::shared_ptr<ClipboardHistoryRepositoryProtocol> repository,
                                      DefaultsStore& userDefaults,
                                      double minimumCleanupInterval = standardMinimumCleanupInterval,
                                      DateProvider dateProvider = {});

    // Returns the number of items deleted. Reads the policy at every call; `never`
    // returns 0 without recording a run.
    int runCleanupIfNeeded(ClipboardContentType contentType, bool force);

    // Time of the last run for the type, when there was one.
    std::optional<QDateTime> lastCleanupDate(ClipboardContentType contentType) const;

private:
    std::shared_ptr<ClipboardHistoryRepositoryProtocol> repository_;
    DefaultsStore& userDefaults_;
    double minimumCleanupInterval_;
    DateProvider dateProvider_;
    std::map<ClipboardContentType, QDateTime> lastCleanupDatesByContentType_;
};

} // namespace quellpad
