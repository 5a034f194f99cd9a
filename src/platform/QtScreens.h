// The screens as Qt Gui reports them (QGuiApplication::screens(), QCursor::pos()),
// converted to the y-up convention with the primary screen's bottom-left corner as
// the origin. Needs a QGuiApplication; without one there are no screens.
#pragma once

#include <QRect>

#include "platform/Screens.h"

namespace quellpad {

class QtScreens final : public Screens {
public:
    std::vector<ScreenFrame> screens() const override;
    std::optional<QPointF> pointerLocation() const override;

    // One screen's frames, given in Qt's y-down virtual-desktop coordinates, relative
    // to the primary screen's geometry.
    static ScreenFrame convert(const QRect& geometry, const QRect& availableGeometry, const QRect& primaryGeometry,
                               double devicePixelRatio, bool isPrimary);
    static QPointF convert(const QPointF& point, const QRect& primaryGeometry);
};

} // namespace quellpad
