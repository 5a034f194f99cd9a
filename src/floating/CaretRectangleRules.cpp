#include "floating/CaretRectangleRules.h"

#include <cmath>

namespace quellpad {

namespace {

QRectF expanded(const QRectF& rect, double by) { return rect.adjusted(-by, -by, by, by); }

// Closed on every side: the slack makes borders irrelevant here.
bool holds(const QRectF& rect, const QPointF& point) {
    return point.x() >= rect.left() && point.x() <= rect.right() && point.y() >= rect.top() &&
           point.y() <= rect.bottom();
}

} // namespace

CaretRectangleRules::CaretRectangleRules(std::vector<ScreenFrame> desktopScreens, double desktopHeight)
    : screens_(std::move(desktopScreens)), desktopHeight_(desktopHeight) {}

std::optional<QRectF> CaretRectangleRules::acceptExtents(const QRectF& answer, QString* reason) const {
    auto refuse = [reason](const char* why) -> std::optional<QRectF> {
        if (reason) *reason = QString::fromLatin1(why);
        return std::nullopt;
    };
    if (!(answer.height() > 0) || answer.height() >= maximumCaretHeight) return refuse("height out of range");
    if (answer.y() < lowestY) return refuse("y out of range");
    if (answer.width() > 50 && answer.height() > 20) return refuse("probably the field's outline");
    QRectF rect = answer;
    if (rect.width() == 0) {
        rect.setWidth(1);
        if (reason) *reason = QStringLiteral("width adjusted 0->1");
    }
    return rect;
}

QString CaretRectangleRules::rectangleCheck(const QRectF& rect) const {
    if (rect.width() < 0 || rect.height() < 0) return QStringLiteral("negative width or height");
    if (!std::isfinite(rect.x()) || !std::isfinite(rect.y())) return QStringLiteral("non-finite coordinates");
    if (rect.height() < 5 || rect.height() > 200) return QStringLiteral("implausible height");
    if (!isOnScreen(rect.topLeft(), screenSlack)) return QStringLiteral("not on any screen");
    return {};
}

bool CaretRectangleRules::isOnScreen(const QPointF& point, double slack) const {
    for (const ScreenFrame& screen : screens_) {
        if (holds(expanded(screen.frame, slack), point)) return true;
    }
    return false;
}

int CaretRectangleRules::score(const QRectF& rect) const {
    const QPointF points[] = {rect.topLeft(), rect.center(), rect.bottomRight()};
    auto holdsAny = [&points](const QRectF& area) {
        for (const QPointF& point : points) {
            if (holds(area, point)) return true;
        }
        return false;
    };
    int total = 0;
    for (const ScreenFrame& screen : screens_) {
        const QRectF frame = expanded(screen.frame, screenSlack);
        if (holdsAny(frame)) total += 60;
        if (holdsAny(expanded(screen.availableFrame, screenSlack))) total += 30;
        if (expanded(rect, 8).intersects(frame)) total += 20;
    }
    if (rect.y() >= 0) total += 5;
    if (rect.height() >= 0 && rect.height() <= 200) total += 5;
    return total;
}

QRectF CaretRectangleRules::normalize(const QRectF& answer, QString* trace) const {
    const QRectF raw = answer.normalized();
    const QRectF flipped(raw.x(), desktopHeight_ - raw.y() - raw.height(), raw.width(), raw.height());
    const int rawScore = score(raw);
    const int flippedScore = score(flipped);
    QRectF chosen = raw;
    QString decision = QStringLiteral("kept");
    if (rawScore < flippedScore) {
        chosen = flipped;
        decision = QStringLiteral("flipped");
    } else if (rawScore == flippedScore && raw.y() < 0 && flipped.y() >= 0) {
        chosen = flipped;
        decision = QStringLiteral("flipped (equal scores, non-negative y preferred)");
    }
    if (trace) *trace = decision + QStringLiteral(" rawScore=%1 convertedScore=%2").arg(rawScore).arg(flippedScore);
    return chosen;
}

QStringList CaretRectangleRules::validate(const QRectF& rect) const {
    QStringList warnings;
    if (!isOnScreen(rect.center(), 0)) warnings << QStringLiteral("position off every screen");
    if (rect.width() < 0) warnings << QStringLiteral("negative width");
    if (rect.width() > 20 || rect.height() < 8 || rect.height() > maximumCaretHeight) {
        warnings << QStringLiteral("size unlike a caret");
    }
    return warnings;
}

QRectF CaretRectangleRules::applyOffset(const QRectF& rect, const AppStrategyConfig& config) {
    double offset = 0;
    switch (config.offsetMode) {
    case PanelOffsetMode::none: break;
    case PanelOffsetMode::caretHeight: offset = rect.height(); break;
    case PanelOffsetMode::custom: offset = config.customOffset.value_or(0); break;
    }
    // Desktop coordinates grow downwards.
    return rect.translated(0, config.offsetDirection == PanelOffsetDirection::down ? offset : -offset);
}

} // namespace quellpad
