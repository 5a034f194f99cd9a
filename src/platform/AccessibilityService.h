// The desktop accessibility interface (AT-SPI on Linux). "Trusted" here means the
// accessibility bus is reachable and switched on, which caret placement and direct
// paste checks need; there is no per-application trust prompt.
#pragma once

namespace quellpad {

class AccessibilityService {
public:
    virtual ~AccessibilityService() = default;

    // True when the accessibility bus is reachable and enabled.
    virtual bool isEnabled() = 0;
    // Asks the desktop to enable it; returns whether the request was accepted.
    virtual bool requestEnabled() = 0;
};

} // namespace quellpad
