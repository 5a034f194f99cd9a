// Chooses what the floating panel opens next to: the caret of the focused text field
// when the accessibility interface is trusted and the caret is found, else the mouse
// pointer. Both come out in the y-up convention; the caret is converted here, once,
// with the whole desktop's geometry. Log category "ClipboardFloatingAnchorResolver".
#pragma once

#include <functional>
#include <optional>
#include <variant>

#include <QPointF>
#include <QRectF>
#include <QString>


namespace quellpad {

class Screens;
class TextCaretPositionDetector;

struct FloatingClipboardAnchor {
    enum class Kind { caret, mouse };
    Kind kind = Kind::mouse;
    QRectF caret;  // y-up, when kind is caret
    QPointF mouse; // y-up, when kind is mouse
};

// The application the panel opens over, for the per-application caret rules.
struct FloatingAnchorTarget {
    std::optional<QString> applicationId;
    qint64 processIdentifier = 0;
};

class ClipboardFloatingAnchorResolver {
public:
    // permissionStatus: the accessibility permission's status name now ("authorized",
    // "denied", "notDetermined"); only "authorized" lets the detector run. detector may
    // be null (no caret).
    ClipboardFloatingAnchorResolver(std::function<QString()> permissionStatus,
                                    TextCaretPositionDetector* detector, const Screens& screens);

    FloatingClipboardAnchor resolveAnchor(const FloatingAnchorTarget& target) const;

private:
    QPointF mouseLocation() const;

    std::function<QString()> permissionStatus_;
    TextCaretPositionDetector* detector_;
    const Screens& screens_;
};

} // namespace quellpad
