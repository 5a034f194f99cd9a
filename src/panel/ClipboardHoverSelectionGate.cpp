#include "panel/ClipboardHoverSelectionGate.h"

#include <cmath>

namespace quellpad {

void ClipboardHoverSelectionGate::suppress(std::optional<QPointF> pointer) {
    isHoverSuppressedUntilPointerMoves_ = true;
    pointerLocationWhenSuppressed_ = pointer;
}

bool ClipboardHoverSelectionGate::allowsHover(QPointF pointer) {
    if (!isHoverSuppressedUntilPointerMoves_) {
        return true;
    }
    if (!pointerLocationWhenSuppressed_) {
        // Where the pointer rested is unknown: take this first report as the resting place.
        pointerLocationWhenSuppressed_ = pointer;
        return false;
    }
    const QPointF delta = pointer - *pointerLocationWhenSuppressed_;
    if (std::hypot(delta.x(), delta.y()) <= movementThreshold) {
        return false;
    }
    isHoverSuppressedUntilPointerMoves_ = false;
    pointerLocationWhenSuppressed_.reset();
    return true;
}

} // namespace quellpad
