// Where the preview bubble goes beside the floating panel, y-up: right of the panel
// when 320 points fit there, else left, else nowhere; as tall as the screen allows,
// centred on the selected row, with its arrow pointing at that row.
#pragma once

#include <optional>

#include <QRectF>
#include <QSizeF>

#include "floating/FloatingClipboardPositionCalculator.h"

namespace quellpad {

// leading: the arrow is on the bubble's left (the bubble is right of the panel).
enum class FloatingClipboardPreviewArrowSide { leading, trailing };

struct FloatingClipboardPreviewPlacement {
    QRectF frame;
    FloatingClipboardPreviewArrowSide arrowSide = FloatingClipboardPreviewArrowSide::leading;
    double arrowCenterY = 0; // from the bubble's bottom edge

    static constexpr double panelSpacing = 4;      // between panel and bubble
    static constexpr double screenMargin = 8;      // kept free at the screen's side
    static constexpr double minimumWidth = 320;    // narrower room: no bubble on that side
    static constexpr double minimumHeight = 140;
    static constexpr double heightReserve = 32 + 7 + 12; // screen height the bubble never uses
    static constexpr double topMargin = 16 + 7;    // below the visible frame's top
    static constexpr double bottomMargin = 16 - 12;
    static constexpr double arrowMinimum = 30;     // arrow centre from the bubble's bottom
    static constexpr double arrowTopInset = 18 + 12;

    // nullopt when there is no screen or no side has room.
    static std::optional<FloatingClipboardPreviewPlacement> compute(const FloatingClipboardPositionCalculator& screens,
                                                                    const QRectF& panelFrame, const QRectF& rowFrame,
                                                                    const QSizeF& preferredSize);
};

} // namespace quellpad
