#include "platform/Screens.h"

namespace quellpad {

// y-up bottom = primary height - y-down bottom; the conversion is its own inverse.
QRectF toYUp(const QRectF& yDown, double primaryScreenHeight) {
    return {yDown.x(), primaryScreenHeight - yDown.y() - yDown.height(), yDown.width(), yDown.height()};
}

QRectF toYDown(const QRectF& yUp, double primaryScreenHeight) { return toYUp(yUp, primaryScreenHeight); }

QPointF toYUp(const QPointF& yDown, double primaryScreenHeight) {
    return {yDown.x(), primaryScreenHeight - yDown.y()};
}

} // namespace quellpad
