// Whether a compositing manager runs on the X display: it owns the selection
// _NET_WM_CM_S<screen> (EWMH). Without one, translucent windows show garbage behind them.
#pragma once

namespace quellpad {

class X11CompositorProbe {
public:
    // False when the display cannot be opened.
    static bool isCompositorRunning();
};

} // namespace quellpad
