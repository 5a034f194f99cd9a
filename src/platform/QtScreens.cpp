#include "platform/QtScreens.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

namespace quellpad {

namespace {

// QRectF(QRect) keeps width and height (QRect's right() is inclusive, QRectF's is not).
QRectF relativeTo(const QRect& rect, const QRect& primaryGeometry) {
    return QRectF(rect.translated(-primaryGeometry.topLeft()));
}

} // namespace

ScreenFrame QtScreens::convert(const QRect& geometry, const QRect& availableGeometry, const QRect& primaryGeometry,
                               double devicePixelRatio, bool isPrimary) {
    const double height = primaryGeometry.height();
    ScreenFrame frame;
    frame.frame = toYUp(relativeTo(geometry, primaryGeometry), height);
    frame.availableFrame = toYUp(relativeTo(availableGeometry, primaryGeometry), height);
    frame.devicePixelRatio = devicePixelRatio;
    frame.isPrimary = isPrimary;
    return frame;
}

QPointF QtScreens::convert(const QPointF& point, const QRect& primaryGeometry) {
    return toYUp(point - QPointF(primaryGeometry.topLeft()), primaryGeometry.height());
}

std::vector<ScreenFrame> QtScreens::screens() const {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) {
        return {};
    }
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary == nullptr) {
        return {};
    }
    const QRect primaryGeometry = primary->geometry();
    std::vector<ScreenFrame> result;
    result.push_back(convert(primaryGeometry, primary->availableGeometry(), primaryGeometry,
                             primary->devicePixelRatio(), true));
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen != primary) {
            result.push_back(convert(screen->geometry(), screen->availableGeometry(), primaryGeometry,
                                     screen->devicePixelRatio(), false));
        }
    }
    return result;
}

std::optional<QPointF> QtScreens::pointerLocation() const {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) {
        return std::nullopt;
    }
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary == nullptr) {
        return std::nullopt;
    }
    return convert(QPointF(QCursor::pos()), primary->geometry());
}

} // namespace quellpad
