#include "floating/DesktopCoordinateSpace.h"

namespace quellpad {

DesktopCoordinateSpace::DesktopCoordinateSpace(const std::vector<ScreenFrame>& screens) {
    for (const ScreenFrame& screen : screens) {
        bounds_ = bounds_.isNull() ? screen.frame : bounds_.united(screen.frame);
    }
}

QRectF DesktopCoordinateSpace::toYUp(const QRectF& desktopRect) const {
    return {desktopRect.x() + bounds_.left(), bounds_.bottom() - desktopRect.y() - desktopRect.height(),
            desktopRect.width(), desktopRect.height()};
}

// QRectF's bottom() is the larger y, which is the top edge in the y-up convention.
QRectF DesktopCoordinateSpace::toDesktop(const QRectF& yUpRect) const {
    return {yUpRect.x() - bounds_.left(), bounds_.bottom() - yUpRect.y() - yUpRect.height(), yUpRect.width(),
            yUpRect.height()};
}

QPointF DesktopCoordinateSpace::toYUp(const QPointF& desktopPoint) const {
    return {desktopPoint.x() + bounds_.left(), bounds_.bottom() - desktopPoint.y()};
}

QPointF DesktopCoordinateSpace::toDesktop(const QPointF& yUpPoint) const {
    return {yUpPoint.x() - bounds_.left(), bounds_.bottom() - yUpPoint.y()};
}

std::vector<ScreenFrame> DesktopCoordinateSpace::screensInDesktopCoordinates(
    const std::vector<ScreenFrame>& screens) const {
    std::vector<ScreenFrame> result = screens;
    for (ScreenFrame& screen : result) {
        screen.frame = toDesktop(screen.frame);
        screen.availableFrame = toDesktop(screen.availableFrame);
    }
    return result;
}

} // namespace quellpad
