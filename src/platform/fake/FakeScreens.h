// Screens and a pointer position set by the test, in the y-up convention.
#pragma once

#include "platform/Screens.h"

namespace quellpad {

class FakeScreens final : public Screens {
public:
    std::vector<ScreenFrame> screens() const override { return frames; }
    std::optional<QPointF> pointerLocation() const override { return pointer; }

    std::vector<ScreenFrame> frames;
    std::optional<QPointF> pointer;
};

} // namespace quellpad
