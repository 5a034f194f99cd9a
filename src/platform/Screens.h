// The screens, in the window system convention the placement rules use: origin at the
// bottom-left corner of the primary screen, y growing upwards, in device-independent
// pixels. Backends convert once, here.
#pragma once

#include <optional>
#include <vector>

#include <QPointF>
#include <QRectF>

namespace quellpad {

struct ScreenFrame {
    QRectF frame;          // the whole screen
    QRectF availableFrame; // without panels and docks
    double devicePixelRatio = 1.0;
    bool isPrimary = false;
};

class Screens {
public:
    virtual ~Screens() = default;

    // Every screen; the primary one first.
    virtual std::vector<ScreenFrame> screens() const = 0;
    // The mouse pointer, y-up; nullopt when it cannot be read.
    virtual std::optional<QPointF> pointerLocation() const = 0;
};

// Converts between the window system's y-down coordinates (origin at the top-left of
// the virtual desktop's primary screen) and the y-up convention, given the primary
// screen's height.
QRectF toYUp(const QRectF& yDown, double primaryScreenHeight);
QRectF toYDown(const QRectF& yUp, double primaryScreenHeight);
QPointF toYUp(const QPointF& yDown, double primaryScreenHeight);

} // namespace quellpad
