// What the rest of the system sees of clipboard capture: pause state, stop, the
// user's temporary pause, and running the system's own clipboard writes uncaptured.
#pragma once

#include <functional>

#include "history/ClipboardCaptureSuspending.h"

namespace quellpad {

class ClipboardMonitorProtocol : public ClipboardCaptureSuspending {
public:
    virtual ~ClipboardMonitorProtocol() = default;

    virtual bool isTemporarilyPaused() const = 0;
    virtual void stopMonitoring() = 0;
    // Stops capture until resumeFromTemporaryPause; copies made meanwhile are never stored.
    virtual void pauseTemporarily() = 0;
    virtual void resumeFromTemporaryPause() = 0;
};

} // namespace quellpad
