// Window activation where the compositor shows clients no window list (KWin offers its
// list to privileged clients only): the window the panel opened over cannot be named or
// asked for, but it gets the focus back when the panel closes. So "the active window" is
// whichever foreign window has the focus, and it counts as active again once none of our
// windows has the keyboard focus. Main thread only.
#pragma once

#include "platform/WindowActivation.h"

namespace quellpad {

class FocusReturnActivation final : public WindowActivation {
public:
    // nullopt while one of our own windows has the focus.
    std::optional<ActiveWindow> activeWindow() override;
    // Nothing to ask for: closing our window hands the focus back.
    bool requestActivation(const ActiveWindow& window, std::uint32_t timestamp) override;
    bool isActive(const ActiveWindow& window) override;
};

} // namespace quellpad
