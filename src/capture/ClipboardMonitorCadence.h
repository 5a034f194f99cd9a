// The polling intervals of the clipboard monitor: slow at rest, fast for a short
// burst after every detected change or copy intent, so that rapid successive copies
// are captured one by one.
#pragma once

#include <optional>

#include <QDateTime>

namespace quellpad {

struct ClipboardMonitorCadence {
    double baseInterval = 0.25;  // seconds between polls at rest
    double burstInterval = 0.03; // seconds between polls during a burst
    double burstDuration = 1.2;  // seconds a burst lasts after the latest event
    std::optional<QDateTime> burstDeadline;

    // burstInterval while now is before the deadline, else baseInterval.
    double currentInterval(const QDateTime& now) const;
    // Moves the deadline to now + burstDuration.
    void beginBurst(const QDateTime& now);
    void clear() { burstDeadline.reset(); }
};

} // namespace quellpad
