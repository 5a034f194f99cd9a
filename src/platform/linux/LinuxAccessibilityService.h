// The AT-SPI accessibility bus through the session bus: reachable when the session bus
// offers org.a11y.Bus and it answers GetAddress; enabled when its org.a11y.Status
// IsEnabled property is true. Every call waits at most callTimeoutMs, so a hung bus
// costs half a second, not D-Bus's default 25 s; the first call may start the bus
// launcher, and one that starts slower than that reads as unreachable until it answers.
#pragma once

#include "platform/AccessibilityService.h"
#include "platform/linux/AtspiFocusedTextReader.h"

namespace quellpad {

class LinuxAccessibilityService final : public AccessibilityService {
public:
    static constexpr int callTimeoutMs = 500;

    bool isEnabled() override;
    bool requestEnabled() override;

    // Read over AT-SPI within budget (see AtspiFocusedTextReader).
    std::optional<FocusedTextElement> focusedTextElement(std::chrono::milliseconds budget,
                                                         qint64 processIdentifier) override {
        return focusedText_.read(budget, processIdentifier);
    }

    // Follows the focus events from now on, so that the field focused before the panel's
    // shortcut is known while the shortcut's key grab hides its focus state.
    void startFocusTracking() { focusedText_.startFocusTracking(std::chrono::milliseconds(callTimeoutMs)); }

    // True when the accessibility bus answers on the session bus.
    bool isReachable();

private:
    AtspiFocusedTextReader focusedText_;
};

} // namespace quellpad
