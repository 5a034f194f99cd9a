#include "floating/FloatingClipboardPositionCalculator.h"

#include <algorithm>

#include "Core/Utilities/Logger.h"

namespace quellpad {

namespace {

const QString category = QStringLiteral("FloatingClipboardPositionCalculator");

QString describe(const QPointF& point) {
    return QStringLiteral("(%1, %2)").arg(point.x()).arg(point.y());
}

QString describe(const QRectF& rect) {
    return QStringLiteral("(%1, %2, %3, %4)").arg(rect.x()).arg(rect.y()).arg(rect.width()).arg(rect.height());
}

} // namespace

bool frameHoldsPoint(const QRectF& frame, const QPointF& point) {
    return point.x() >= frame.left() && point.x() < frame.right() && point.y() > frame.top() &&
           point.y() <= frame.bottom();
}

FloatingClipboardPositionCalculator::FloatingClipboardPositionCalculator(std::vector<ScreenFrame> screens,
                                                                         std::optional<ScreenFrame> keyWindowScreen)
    : screens_(std::move(screens)), keyWindowScreen_(std::move(keyWindowScreen)) {}

std::optional<ScreenFrame> FloatingClipboardPositionCalculator::primary() const {
    for (const ScreenFrame& screen : screens_) {
        if (screen.isPrimary) return screen;
    }
    return std::nullopt;
}

std::optional<ScreenFrame> FloatingClipboardPositionCalculator::screenContaining(const QPointF& point) const {
    for (const ScreenFrame& screen : screens_) {
        if (frameHoldsPoint(screen.frame, point)) return screen;
    }
    if (keyWindowScreen_) return keyWindowScreen_;
    if (auto main = primary()) return main;
    if (!screens_.empty()) return screens_.front();
    return std::nullopt;
}

QPointF FloatingClipboardPositionCalculator::originForMouseAnchor(const QPointF& point, const QSizeF& size,
                                                                  double gapPoints) const {
    QRectF visible;
    if (auto screen = screenContaining(point)) {
        visible = screen->availableFrame;
    } else if (auto main = primary()) {
        visible = main->availableFrame;
    }
    const double w = size.width();
    const double h = size.height();
    double y = point.y() - h - gapPoints;
    if (y < visible.top()) y = point.y() + gapPoints;
    if (y + h > visible.bottom()) y = visible.bottom() - h;
    double x = point.x() - w * 0.5;
    // max before min: a screen narrower than the panel keeps its left edge visible.
    x = std::min(std::max(x, visible.left()), visible.right() - w);
    y = std::min(std::max(y, visible.top()), visible.bottom() - h);
    const QPointF origin(x, y);
    Logger::debug(QStringLiteral("[FloatingPosition] Mouse anchor=") + describe(point) + QStringLiteral(" visible=") +
                      describe(visible) + QStringLiteral(" panelSize=(%1, %2)").arg(w).arg(h) +
                      QStringLiteral(" result=") + describe(origin),
                  category);
    return origin;
}

QPointF FloatingClipboardPositionCalculator::originForCaretRect(const QRectF& caret, const QSizeF& size,
                                                                double gapPoints) const {
    const std::optional<ScreenFrame> screen = screenContaining(caret.center());
    if (!screen) {
        Logger::debug(QStringLiteral("[FloatingPosition] No screen matched caret rect=") + describe(caret) +
                          QStringLiteral("; fallback to point anchor"),
                      category);
        return originForMouseAnchor(caret.center(), size, gapPoints);
    }
    const QRectF frame = screen->frame;
    const double w = size.width();
    const double h = size.height();
    // In y-up terms the caret's bottom edge is its minimum y.
    double x = caret.left();
    if (caret.left() + w > frame.right()) x = frame.right() - w - gapPoints;
    if (frame.left() > x) x = frame.left() + gapPoints;
    const double roomBelow = caret.top() - gapPoints - frame.top();
    double y = h <= roomBelow ? caret.top() - gapPoints - h : caret.bottom() + gapPoints;
    y = std::max(y, frame.top() + gapPoints);
    y = std::min(y, frame.bottom() - h - gapPoints);
    const QPointF origin(x, y);
    Logger::debug(QStringLiteral("[FloatingPosition] Caret rect=") + describe(caret) + QStringLiteral(" screen=") +
                      describe(frame) + QStringLiteral(" panelSize=(%1, %2)").arg(w).arg(h) +
                      QStringLiteral(" result=(%1, %2)").arg(qRound(x)).arg(qRound(y)),
                  category);
    return origin;
}

} // namespace quellpad
