// The plausibility rules a caret rectangle must pass, in desktop coordinates (y down)
// against the screens' frames in the same coordinates. Answers from applications are
// often the whole field's outline, a zero-width caret, coordinates already flipped, or
// nonsense; these rules tell which.
#pragma once

#include <optional>
#include <vector>

#include <QRectF>
#include <QStringList>

#include "floating/CaretAppStrategyConfig.h"
#include "platform/Screens.h"

namespace quellpad {

class CaretRectangleRules {
public:
    static constexpr double screenSlack = 100;       // screens count as this much larger
    static constexpr double maximumCaretHeight = 60; // extents answers at least this tall are not carets
    static constexpr double lowestY = -10000;

    explicit CaretRectangleRules(std::vector<ScreenFrame> desktopScreens, double desktopHeight);

    // An extents answer as a caret: zero width becomes 1; nullopt for a non-positive or
    // too-tall height, an absurd y, or the field's outline (wider than 50 and taller than 20).
    // reason receives why it was refused.
    std::optional<QRectF> acceptExtents(const QRectF& answer, QString* reason = nullptr) const;
    // The check every candidate passes: finite, non-negative size, 5..200 high, origin on
    // a screen (with slack). Empty when it passes, else the reason.
    QString rectangleCheck(const QRectF& rect) const;
    // How likely the rectangle lies where a caret can be (higher is likelier).
    int score(const QRectF& rect) const;
    // The answer, or its vertical flip when that scores better (some applications report
    // bottom-up coordinates); the flip is its own inverse. trace receives the decision.
    QRectF normalize(const QRectF& rect, QString* trace = nullptr) const;
    bool isOnScreen(const QPointF& point, double slack) const;
    // Warnings of the final check: empty when it looks like a caret on a screen.
    QStringList validate(const QRectF& rect) const;

    static QRectF applyOffset(const QRectF& rect, const AppStrategyConfig& config);

private:
    std::vector<ScreenFrame> screens_;
    double desktopHeight_;
};

} // namespace quellpad
