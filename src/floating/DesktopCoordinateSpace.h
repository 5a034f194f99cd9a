// The one conversion between the accessibility interface's coordinates (the X root
// window: origin at the top-left corner of the whole desktop, y downwards) and the
// y-up convention the placement rules and Screens use (origin at the primary screen's
// bottom-left corner). The root window spans the union of the screens, so its
// top-left corner is that union's (minX, maxY) in y-up terms; flipping with a single
// screen's height would misplace every screen that is taller or offset.
#pragma once

#include <vector>

#include <QPointF>
#include <QRectF>

#include "platform/Screens.h"

namespace quellpad {

class DesktopCoordinateSpace {
public:
    explicit DesktopCoordinateSpace(const std::vector<ScreenFrame>& screens);

    // The union of the screens' frames, y-up; empty without screens.
    QRectF desktopBounds() const { return bounds_; }

    QRectF toYUp(const QRectF& desktopRect) const;
    QRectF toDesktop(const QRectF& yUpRect) const;
    QPointF toYUp(const QPointF& desktopPoint) const;
    QPointF toDesktop(const QPointF& yUpPoint) const;

    // The screens with their frames in desktop (y-down) coordinates.
    std::vector<ScreenFrame> screensInDesktopCoordinates(const std::vector<ScreenFrame>& screens) const;

private:
    QRectF bounds_;
};

} // namespace quellpad
