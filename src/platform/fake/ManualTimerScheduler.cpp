#include "platform/fake/ManualTimerScheduler.h"

#include <algorithm>

namespace quellpad {

class ManualTimerScheduler::Handle final : public ScheduledTimer {
public:
    explicit Handle(std::shared_ptr<Entry> entry) : entry_(std::move(entry)) {}
    ~Handle() override { entry_->cancelled = true; }

private:
    std::shared_ptr<Entry> entry_;
};

std::unique_ptr<ScheduledTimer> ManualTimerScheduler::schedule(double intervalSeconds, std::function<void()> fire) {
    auto entry = std::make_shared<Entry>(Entry{intervalSeconds, std::move(fire), false});
    pending_.push_back(entry);
    history_.push_back(intervalSeconds);
    return std::make_unique<Handle>(entry);
}

std::vector<double> ManualTimerScheduler::pendingIntervals() const {
    std::vector<double> result;
    for (const auto& entry : pending_) {
        if (!entry->cancelled) {
            result.push_back(entry->interval);
        }
    }
    return result;
}

bool ManualTimerScheduler::fireNext() {
    std::erase_if(pending_, [](const auto& entry) { return entry->cancelled; });
    if (pending_.empty()) {
        return false;
    }
    std::shared_ptr<Entry> entry = pending_.front();
    pending_.erase(pending_.begin());
    if (clock_ != nullptr) {
        clock_->advance(entry->interval);
    }
    // A fired timer is spent: its handle's later destruction must not matter.
    entry->cancelled = true;
    std::function<void()> fire = std::move(entry->fire);
    fire();
    return true;
}

} // namespace quellpad
