// Keeps a resting mouse pointer from stealing the selection while the user presses
// arrow keys: after a keyboard selection or a reload, hover is ignored until the
// pointer really moves.
#pragma once

#include <optional>

#include <QPointF>

namespace quellpad {

class ClipboardHoverSelectionGate {
public:
    static constexpr double movementThreshold = 0.5;

    // After a keyboard selection or a list reload; pointer is where it rests now, if known.
    void suppress(std::optional<QPointF> pointer);
    // A hover at pointer: true when it may change the selection. Ends the suppression
    // once the pointer moved more than the threshold from where it rested.
    bool allowsHover(QPointF pointer);
    // Remembers where the last hover selection happened, so a repeated event at the
    // same spot (a list scrolled under a still pointer) is not taken as movement.
    void recordHoverSelection(QPointF pointer) { pointerLocationForLastHoverSelection_ = pointer; }

    bool isHoverSuppressedUntilPointerMoves() const { return isHoverSuppressedUntilPointerMoves_; }
    std::optional<QPointF> pointerLocationWhenSuppressed() const { return pointerLocationWhenSuppressed_; }
    std::optional<QPointF> pointerLocationForLastHoverSelection() const { return pointerLocationForLastHoverSelection_; }

private:
    bool isHoverSuppressedUntilPointerMoves_ = false;
    std::optional<QPointF> pointerLocationWhenSuppressed_;
    std::optional<QPointF> pointerLocationForLastHoverSelection_;
};

} // namespace quellpad
