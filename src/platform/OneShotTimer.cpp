#include "platform/OneShotTimer.h"

#include <algorithm>
#include <cmath>

#include <QObject>
#include <QTimer>

namespace quellpad {

namespace {

// The handle owns the context object of a single-shot timer: destroying the context
// cancels the shot. The callback may destroy the handle while it runs; Qt keeps the
// running slot alive until it returns.
class QtScheduledTimer final : public ScheduledTimer {
public:
    QtScheduledTimer(double intervalSeconds, std::function<void()> fire) {
        const double milliseconds = std::clamp(intervalSeconds * 1000.0, 0.0, 2.0e9);
        // Precise: the 30 ms burst interval must not be coarsened by timer slack.
        QTimer::singleShot(static_cast<int>(std::lround(milliseconds)), Qt::PreciseTimer, &context_,
                           [fire = std::move(fire)] { fire(); });
    }

private:
    QObject context_;
};

} // namespace

std::unique_ptr<ScheduledTimer> QtOneShotTimerScheduler::schedule(double intervalSeconds, std::function<void()> fire) {
    return std::make_unique<QtScheduledTimer>(intervalSeconds, std::move(fire));
}

} // namespace quellpad
