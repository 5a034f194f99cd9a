// Where the floating panel goes: below (or above) the caret or the pointer, on the
// screen that holds it, kept on that screen. Pure maths in the y-up convention
// (origin at the primary screen's bottom-left corner); the caret rectangle must have
// been converted already (DesktopCoordinateSpace). Log category
// "FloatingClipboardPositionCalculator".
#pragma once

#include <optional>
#include <vector>

#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include "platform/Screens.h"

namespace quellpad {

class FloatingClipboardPositionCalculator {
public:
    static constexpr QSizeF panelSize{420, 360};
    static constexpr double gap = 12; // between the anchor and the panel

    // keyWindowScreen: the screen of the window that has the focus, when known.
    explicit FloatingClipboardPositionCalculator(std::vector<ScreenFrame> screens,
                                                 std::optional<ScreenFrame> keyWindowScreen = std::nullopt);

    // The first screen whose frame holds the point (see frameHoldsPoint), else the key window's
    // screen, else the primary, else the first; nullopt without screens.
    std::optional<ScreenFrame> screenContaining(const QPointF& point) const;

    // The panel's bottom-left corner for a pointer anchor: hanging below it, centred,
    // clamped to the visible frame.
    QPointF originForMouseAnchor(const QPointF& point, const QSizeF& size = panelSize, double gapPoints = gap) const;
    // The panel's bottom-left corner for a caret: its left edge at the caret, below the
    // caret line, or above it when there is no room below; kept on the screen's frame.
    QPointF originForCaretRect(const QRectF& caret, const QSizeF& size = panelSize, double gapPoints = gap) const;

private:
    std::optional<ScreenFrame> primary() const;

    std::vector<ScreenFrame> screens_;
    std::optional<ScreenFrame> keyWindowScreen_;
};

// Half-open, so that adjacent screens never both claim their border: x in [minX, maxX),
// y in (minY, maxY]. A point stands for the pixel whose top-left corner it is, and a
// pixel's top edge is its larger y-up coordinate.
bool frameHoldsPoint(const QRectF& frame, const QPointF& point);

} // namespace quellpad
