// The active top-level window: remembering it and giving it the focus back.
#pragma once

#include <cstdint>
#include <optional>

#include <QString>

namespace quellpad {

struct ActiveWindow {
    std::uint64_t windowId = 0; // the window system's handle
    std::optional<QString> applicationId;
    qint64 processIdentifier = 0; // 0 when unknown

    bool operator==(const ActiveWindow& other) const { return windowId == other.windowId; }
};

class WindowActivation {
public:
    virtual ~WindowActivation() = default;

    // The window that has the focus now; nullopt when none (or only the root) has it.
    virtual std::optional<ActiveWindow> activeWindow() = 0;
    // Asks the window manager to activate window (timestamp: the user action's time in
    // the window system's clock, 0 for now). False when the request could not be sent
    // or the window no longer exists. Activation completes asynchronously.
    virtual bool requestActivation(const ActiveWindow& window, std::uint32_t timestamp) = 0;
    // True when window is the active window again.
    virtual bool isActive(const ActiveWindow& window) = 0;
};

} // namespace quellpad
