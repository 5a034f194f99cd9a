#include "capture/ClipboardMonitorCadence.h"

namespace quellpad {

double ClipboardMonitorCadence::currentInterval(const QDateTime& now) const {
    if (burstDeadline && now < *burstDeadline) {
        return burstInterval;
    }
    return baseInterval;
}

void ClipboardMonitorCadence::beginBurst(const QDateTime& now) {
    burstDeadline = now.addMSecs(static_cast<qint64>(burstDuration * 1000.0));
}

} // namespace quellpad
