// Finds the caret of the focused text field through the accessibility interface: reads
// the focused element once (bounded in time, so a hung application costs at most the
// budget), decides whether it is editable, runs the application's strategies in
// order, and returns the first plausible caret rectangle, in desktop coordinates (y
// down). Nothing means "use the pointer". Log category "TextCaretPositionDetector".
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <set>

#include <QRectF>
#include <QString>

#include "floating/CaretAppStrategyConfig.h"
#include "floating/CaretRectangleRules.h"
#include "platform/FocusedTextElement.h"

namespace quellpad {

class AccessibilityService;
class Screens;

class TextCaretPositionDetector {
public:
    // The whole read of the focused element; beyond it the pointer is used.
    static constexpr std::chrono::milliseconds defaultBudget{150};
    static constexpr double estimatedLineHeight = 18;
    static constexpr double estimatedCaretHeight = 16;

    // Width in points of a text in the system font at 13 points.
    using TextWidthMeasurer = std::function<double(const QString&)>;

    TextCaretPositionDetector(AccessibilityService& accessibility, const Screens& screens,
                              TextWidthMeasurer measurer = {}, std::chrono::milliseconds budget = defaultBudget);

    // The caret of the focused element of the application applicationId (process pid, 0
    // when unknown).
    std::optional<QRectF> detectCaretRect(const std::optional<QString>& applicationId, qint64 processIdentifier);

    // The rules on an element already read; exposed for tests.
    std::optional<QRectF> detect(const FocusedTextElement& element, const std::optional<QString>& applicationId,
                                 const CaretRectangleRules& rules) const;

    static bool isEditable(const FocusedTextElement& element);
    static const std::set<QString>& editableRoles();

    // The estimates, before the rectangle check.
    std::optional<QRectF> lineInfoEstimate(const FocusedTextElement& element, const CaretRectangleRules& rules) const;
    std::optional<QRectF> elementAndWindowEstimate(const FocusedTextElement& element) const;
    std::optional<QRectF> lastLineEstimate(const FocusedTextElement& element, const CaretRectangleRules& rules) const;

private:
    std::optional<QRectF> runStrategy(CaretDetectionStrategy strategy, const FocusedTextElement& element,
                                      const CaretRectangleRules& rules) const;
    std::optional<QRectF> fromExtents(const std::optional<QRectF>& answer, const CaretRectangleRules& rules,
                                      const char* strategy) const;
    // Line index and the width of the caret line's text before the caret.
    std::pair<int, double> caretLine(const FocusedTextElement& element) const;

    AccessibilityService& accessibility_;
    const Screens& screens_;
    TextWidthMeasurer measurer_;
    std::chrono::milliseconds budget_;
};

} // namespace quellpad
