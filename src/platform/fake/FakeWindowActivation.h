// A scripted window manager: one active window, windows that can disappear, and
// activation that takes effect at once or never.
#pragma once

#include <set>

#include "platform/WindowActivation.h"

namespace quellpad {

class FakeWindowActivation final : public WindowActivation {
public:
    std::optional<ActiveWindow> activeWindow() override { return active; }
    bool requestActivation(const ActiveWindow& window, std::uint32_t timestamp) override {
        ++activationRequests;
        lastTimestamp = timestamp;
        if (closed.count(window.windowId) != 0) {
            return false;
        }
        if (activationTakesEffect) {
            active = window;
        }
        return true;
    }
    bool isActive(const ActiveWindow& window) override { return active && active->windowId == window.windowId; }

    std::optional<ActiveWindow> active;
    std::set<std::uint64_t> closed;
    bool activationTakesEffect = true;
    int activationRequests = 0;
    std::uint32_t lastTimestamp = 0;
};

} // namespace quellpad
