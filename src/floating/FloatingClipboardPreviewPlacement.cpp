#include "floating/FloatingClipboardPreviewPlacement.h"

#include <algorithm>

namespace quellpad {

std::optional<FloatingClipboardPreviewPlacement> FloatingClipboardPreviewPlacement::compute(
    const FloatingClipboardPositionCalculator& screens, const QRectF& panelFrame, const QRectF& rowFrame,
    const QSizeF& preferredSize) {
    const std::optional<ScreenFrame> screen = screens.screenContaining(panelFrame.center());
    if (!screen) return std::nullopt;
    const QRectF visible = screen->availableFrame;

    FloatingClipboardPreviewPlacement placement;
    const double roomRight = visible.right() - (panelFrame.right() + panelSpacing) - screenMargin;
    double room = roomRight;
    if (roomRight < minimumWidth) {
        const double roomLeft = (panelFrame.left() - panelSpacing) - visible.left() - screenMargin;
        if (roomLeft < minimumWidth) return std::nullopt;
        room = roomLeft;
        placement.arrowSide = FloatingClipboardPreviewArrowSide::trailing;
    }
    const double availableHeight = std::max(visible.height() - heightReserve, minimumHeight);
    const double width = std::min(room, preferredSize.width());
    const double height = std::min(availableHeight, preferredSize.height());
    const double x = placement.arrowSide == FloatingClipboardPreviewArrowSide::leading
                         ? panelFrame.right() + panelSpacing
                         : panelFrame.left() - panelSpacing - width;

    const double rowMiddle = rowFrame.center().y();
    double y = rowMiddle - height * 0.5;
    y = std::min(y, visible.bottom() - topMargin - height);
    y = std::max(y, visible.top() + bottomMargin);
    placement.frame = QRectF(x, y, width, height);

    // A bubble shorter than both insets has no valid arrow range; keep the arrow inside it.
    const double lowest = std::min(arrowMinimum, height * 0.5);
    const double highest = std::max(lowest, height - arrowTopInset);
    placement.arrowCenterY = std::clamp(rowMiddle - y, lowest, highest);
    return placement;
}

} // namespace quellpad
