#include "floating/ClipboardFloatingAnchorResolver.h"

#include "Core/Utilities/Logger.h"
#include "floating/DesktopCoordinateSpace.h"
#include "floating/TextCaretPositionDetector.h"
#include "platform/Screens.h"

namespace quellpad {

namespace {

const QString category = QStringLiteral("ClipboardFloatingAnchorResolver");

QString pointText(const QPointF& point) {
    return QStringLiteral("x=%1, y=%2").arg(qRound(point.x())).arg(qRound(point.y()));
}

} // namespace

ClipboardFloatingAnchorResolver::ClipboardFloatingAnchorResolver(
    std::function<QString()> permissionStatus, TextCaretPositionDetector* detector,
    const Screens& screens)
    : permissionStatus_(std::move(permissionStatus)), detector_(detector), screens_(screens) {}

QPointF ClipboardFloatingAnchorResolver::mouseLocation() const {
    return screens_.pointerLocation().value_or(QPointF());
}

FloatingClipboardAnchor ClipboardFloatingAnchorResolver::resolveAnchor(const FloatingAnchorTarget& target) const {
    const QString status = permissionStatus_ ? permissionStatus_() : QStringLiteral("notDetermined");
    Logger::info(QStringLiteral("[FloatingAnchor] Resolving anchor with accessibilityStatus=") + status, category);
    FloatingClipboardAnchor anchor;
    if (status != QLatin1String("authorized") || detector_ == nullptr) {
        anchor.mouse = mouseLocation();
        Logger::info(QStringLiteral("[FloatingAnchor] Accessibility unavailable, fallback to mouse ") +
                         pointText(anchor.mouse),
                     category);
        return anchor;
    }
    if (const auto caret = detector_->detectCaretRect(target.applicationId, target.processIdentifier)) {
        anchor.kind = FloatingClipboardAnchor::Kind::caret;
        anchor.caret = DesktopCoordinateSpace(screens_.screens()).toYUp(*caret);
        Logger::info(QStringLiteral("[FloatingAnchor] Using caret rect x=%1, y=%2, w=%3, h=%4")
                         .arg(qRound(caret->x()))
                         .arg(qRound(caret->y()))
                         .arg(qRound(caret->width()))
                         .arg(qRound(caret->height())),
                     category);
        return anchor;
    }
    anchor.mouse = mouseLocation();
    Logger::info(QStringLiteral("[FloatingAnchor] Caret detection failed, fallback to mouse ") + pointText(anchor.mouse),
                 category);
    return anchor;
}

} // namespace quellpad
