// Notices copy shortcuts pressed in any application, so the clipboard monitor can poll
// right away instead of waiting for its next tick.
#pragma once

#include <functional>
#include <memory>

#include "platform/GlobalKeyMonitor.h"

namespace quellpad {

class ClipboardCopyIntentMonitoring {
public:
    virtual ~ClipboardCopyIntentMonitoring() = default;
    // Installs the observer (stopping any earlier one); false when the platform refused.
    // The handler runs on the observer's thread.
    virtual bool start(std::function<void()> handler) = 0;
    virtual void stop() = 0;
};

class SystemClipboardCopyIntentMonitor final : public ClipboardCopyIntentMonitoring {
public:
    explicit SystemClipboardCopyIntentMonitor(std::shared_ptr<GlobalKeyMonitor> keyMonitor);
    ~SystemClipboardCopyIntentMonitor() override;

    bool start(std::function<void()> handler) override;
    void stop() override;

    // Ctrl+C, Ctrl+X, Ctrl+Shift+C, Ctrl+Shift+X: Control is the only one of Control,
    // Alt and Super held (Shift and Caps Lock do not matter), and the key is not an
    // auto-repeat.
    static bool isCopyShortcut(const GlobalKeyDownEvent& event);

private:
    std::shared_ptr<GlobalKeyMonitor> keyMonitor_;
    bool installed_ = false;
};

} // namespace quellpad
