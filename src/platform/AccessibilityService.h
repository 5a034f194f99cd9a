// The desktop accessibility interface (AT-SPI on Linux). "Trusted" here means the
// accessibility bus is reachable and switched on, which caret placement and direct
// paste checks need; there is no per-application trust prompt.
#pragma once

#include <chrono>
#include <optional>

#include "platform/FocusedTextElement.h"

namespace quellpad {

class AccessibilityService {
public:
    virtual ~AccessibilityService() = default;

    // True when the accessibility bus is reachable and enabled.
    virtual bool isEnabled() = 0;
    // Asks the desktop to enable it; returns whether the request was accepted.
    virtual bool requestEnabled() = 0;

    // The focused element and its caret, read within budget: an application that does
    // not answer in time yields nullopt, as does no focused element. processIdentifier
    // (0: unknown) names the application of the active window, which narrows the search.
    virtual std::optional<FocusedTextElement> focusedTextElement(std::chrono::milliseconds budget,
                                                                 qint64 processIdentifier) {
        (void)budget;
        (void)processIdentifier;
        return std::nullopt;
    }
};

} // namespace quellpad
