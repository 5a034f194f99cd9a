// One-shot timers on the main thread, behind an interface so that polling chains are
// driven by hand in tests.
#pragma once

#include <functional>
#include <memory>

namespace quellpad {

// A pending one-shot timer; destroying it cancels the callback if it has not run.
class ScheduledTimer {
public:
    virtual ~ScheduledTimer() = default;
};

class OneShotTimerScheduler {
public:
    virtual ~OneShotTimerScheduler() = default;
    // Runs fire once on the main thread after intervalSeconds (0 means at the next
    // turn of the event loop), unless the returned handle is destroyed first.
    virtual std::unique_ptr<ScheduledTimer> schedule(double intervalSeconds, std::function<void()> fire) = 0;
};

// QTimer-based scheduler; call from the main thread.
class QtOneShotTimerScheduler final : public OneShotTimerScheduler {
public:
    std::unique_ptr<ScheduledTimer> schedule(double intervalSeconds, std::function<void()> fire) override;
};

} // namespace quellpad
