// A timer scheduler driven by hand: tests see which intervals were asked for and fire
// the pending timers themselves, optionally moving a ManualClock forward first.
#pragma once

#include <memory>
#include <vector>

#include "platform/OneShotTimer.h"
#include "platform/fake/ManualClock.h"

namespace quellpad {

class ManualTimerScheduler final : public OneShotTimerScheduler {
public:
    explicit ManualTimerScheduler(ManualClock* clock = nullptr) : clock_(clock) {}

    std::unique_ptr<ScheduledTimer> schedule(double intervalSeconds, std::function<void()> fire) override;

    // Intervals of the timers not yet fired or cancelled, oldest first.
    std::vector<double> pendingIntervals() const;
    // Every interval ever scheduled, in order.
    const std::vector<double>& scheduledIntervals() const { return history_; }
    // Fires the oldest pending timer (advancing the clock by its interval); false when none.
    bool fireNext();

private:
    struct Entry {
        double interval = 0;
        std::function<void()> fire;
        bool cancelled = false;
    };
    class Handle;

    ManualClock* clock_;
    std::vector<std::shared_ptr<Entry>> pending_;
    std::vector<double> history_;
};

} // namespace quellpad
