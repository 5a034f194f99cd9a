// The inert monitor used when the history store cannot be opened: it never captures
// and only remembers whether the user paused it.
#pragma once

#include "capture/ClipboardMonitorProtocol.h"

namespace quellpad {

class EmptyClipboardMonitor final : public ClipboardMonitorProtocol {
public:
    bool isTemporarilyPaused() const override { return paused_; }
    void stopMonitoring() override { paused_ = false; }
    void pauseTemporarily() override { paused_ = true; }
    void resumeFromTemporaryPause() override { paused_ = false; }
    void performWithoutCapture(const std::function<void()>& body) override { body(); }

private:
    bool paused_ = false;
};

} // namespace quellpad
