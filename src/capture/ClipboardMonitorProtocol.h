// What the rest of the system sees of clipboard capture: pause state, stop, the
// user's temporary pause, and running the system's own clipboard writes uncaptured.
#pragma once

#include <functional>

namespace quellpad {

class ClipboardMonitorProtocol {
public:
    virtual ~ClipboardMonitorProtocol() = default;

    virtual bool isTemporarilyPaused() const = 0;
    virtual void stopMonitoring() = 0;
    // Stops capture until resumeFromTemporaryPause; copies made meanwhile are never stored.
    virtual void pauseTemporarily() = 0;
    virtual void resumeFromTemporaryPause() = 0;
    // Runs body so that what it writes to the clipboard is not captured. An exception
    // thrown by body propagates after capture has resumed.
    virtual void performWithoutCapture(const std::function<void()>& body) = 0;
};

} // namespace quellpad
