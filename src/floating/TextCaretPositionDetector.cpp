#include "floating/TextCaretPositionDetector.h"

#include <algorithm>

#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>

#include "Core/Utilities/Logger.h"
#include "floating/DesktopCoordinateSpace.h"
#include "platform/AccessibilityService.h"
#include "platform/Screens.h"

namespace quellpad {

namespace {

const QString category = QStringLiteral("TextCaretPositionDetector");
using S = CaretDetectionStrategy;

QString describe(const QRectF& rect) {
    return QStringLiteral("(%1, %2, %3, %4)").arg(rect.x()).arg(rect.y()).arg(rect.width()).arg(rect.height());
}

void trace(const QString& line) { Logger::debug(line, category); }

double systemFontWidth(const QString& text) {
    // Without a GUI application there are no fonts: an average advance stands in.
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) return 7.0 * text.size();
    QFont font = QGuiApplication::font();
    font.setPointSizeF(13);
    return QFontMetricsF(font).horizontalAdvance(text);
}

const std::set<QString> multiLineRoles = {QStringLiteral("text"), QStringLiteral("document text"),
                                          QStringLiteral("terminal")};
const std::set<QString> browserFieldRoles = {QStringLiteral("entry"), QStringLiteral("password text"),
                                             QStringLiteral("combo box"), QStringLiteral("text")};
const std::set<QString> documentRoles = {QStringLiteral("document web"), QStringLiteral("document frame")};

} // namespace

TextCaretPositionDetector::TextCaretPositionDetector(AccessibilityService& accessibility, const Screens& screens,
                                                     TextWidthMeasurer measurer, std::chrono::milliseconds budget)
    : accessibility_(accessibility), screens_(screens),
      measurer_(measurer ? std::move(measurer) : TextWidthMeasurer(systemFontWidth)), budget_(budget) {}

const std::set<QString>& TextCaretPositionDetector::editableRoles() {
    static const std::set<QString> roles = {QStringLiteral("entry"), QStringLiteral("text"),
                                            QStringLiteral("password text"), QStringLiteral("combo box"),
                                            QStringLiteral("terminal"), QStringLiteral("document text")};
    return roles;
}

bool TextCaretPositionDetector::isEditable(const FocusedTextElement& element) {
    if (editableRoles().count(element.role) > 0) return true;
    if (documentRoles.count(element.role) > 0) return element.descendantHasSelection;
    return element.implementsText && element.isEditable;
}

std::optional<QRectF> TextCaretPositionDetector::detectCaretRect(const std::optional<QString>& applicationId,
                                                                 qint64 processIdentifier) {
    trace(QStringLiteral("========== caret detection started =========="));
    const std::vector<ScreenFrame> screens = screens_.screens();
    const DesktopCoordinateSpace space(screens);
    const CaretRectangleRules rules(space.screensInDesktopCoordinates(screens), space.desktopBounds().height());
    std::optional<QRectF> result;
    if (auto element = accessibility_.focusedTextElement(budget_, processIdentifier)) {
        result = detect(*element, applicationId, rules);
    } else {
        trace(QStringLiteral("No focused element within %1 ms").arg(budget_.count()));
    }
    trace(QStringLiteral("========== caret detection finished =========="));
    return result;
}

std::optional<QRectF> TextCaretPositionDetector::detect(const FocusedTextElement& element,
                                                        const std::optional<QString>& applicationId,
                                                        const CaretRectangleRules& rules) const {
    const AppStrategyConfig config = AppStrategyConfig::forApplication(applicationId);
    QStringList names;
    for (S strategy : config.preferredStrategies) names << rawValueOf(caretDetectionStrategyCases, strategy);
    trace(QStringLiteral("Application %1 (%2), strategies %3")
              .arg(applicationId.value_or(QStringLiteral("unknown")), config.displayName, names.join(u',')));
    if (element.role.isEmpty()) {
        trace(QStringLiteral("Focused element has no role"));
        return std::nullopt;
    }
    if (!isEditable(element)) {
        trace(QStringLiteral("Focused element (%1) is not editable text").arg(element.role));
        return std::nullopt;
    }
    if (!element.selection) {
        trace(QStringLiteral("Focused element has no caret"));
        return std::nullopt;
    }
    if (element.selection->length > 0) {
        trace(QStringLiteral("Text selected: location %1, length %2")
                  .arg(element.selection->location)
                  .arg(element.selection->length));
    }

    std::optional<QRectF> found;
    for (S strategy : config.preferredStrategies) {
        if (auto rect = runStrategy(strategy, element, rules)) {
            if (strategy != S::lastLineFallback) {
                QString decision;
                rect = rules.normalize(*rect, &decision);
                trace(QStringLiteral("Coordinates ") + decision);
            }
            const QString refused = rules.rectangleCheck(*rect);
            if (!refused.isEmpty()) {
                trace(rawValueOf(caretDetectionStrategyCases, strategy) + QStringLiteral(" refused: ") + refused);
                continue;
            }
            trace(rawValueOf(caretDetectionStrategyCases, strategy) + QStringLiteral(" found ") + describe(*rect));
            found = rect;
            break;
        }
    }
    if (!found && AppStrategyConfig::isBrowser(applicationId) && browserFieldRoles.count(element.role) > 0) {
        if (auto rect = elementAndWindowEstimate(element)) {
            const QRectF converted = rules.normalize(*rect);
            const bool plausible = converted.height() >= 8 && converted.height() < CaretRectangleRules::maximumCaretHeight &&
                                   rules.isOnScreen(converted.topLeft(), CaretRectangleRules::screenSlack) &&
                                   converted != QRectF() && converted.y() >= CaretRectangleRules::lowestY;
            if (plausible) found = converted;
        }
        trace(found ? QStringLiteral("Browser field fallback succeeded") : QStringLiteral("Browser field fallback failed"));
    }
    if (!found) {
        trace(QStringLiteral("No strategy found the caret"));
        return std::nullopt;
    }
    const QRectF result = CaretRectangleRules::applyOffset(*found, config);
    if (const QStringList warnings = rules.validate(result); !warnings.isEmpty()) {
        trace(QStringLiteral("Caret validation warning: ") + warnings.join(QStringLiteral("; ")));
    }
    trace(QStringLiteral("Caret at ") + describe(result));
    return result;
}

std::optional<QRectF> TextCaretPositionDetector::fromExtents(const std::optional<QRectF>& answer,
                                                             const CaretRectangleRules& rules,
                                                             const char* strategy) const {
    if (!answer) return std::nullopt;
    QString reason;
    auto accepted = rules.acceptExtents(*answer, &reason);
    if (!reason.isEmpty()) {
        trace(QStringLiteral("[%1] %2: %3").arg(QLatin1String(strategy), describe(*answer), reason));
    }
    return accepted;
}

std::optional<QRectF> TextCaretPositionDetector::runStrategy(S strategy, const FocusedTextElement& element,
                                                             const CaretRectangleRules& rules) const {
    switch (strategy) {
    case S::boundsForRange: return fromExtents(element.boundsForSelection, rules, "BoundsForRange");
    case S::selectionEnd:
        if (element.selection->length <= 0) return std::nullopt;
        return fromExtents(element.boundsAtSelectionEnd, rules, "SelectionEnd");
    case S::zeroRange: return fromExtents(element.boundsAtLocation, rules, "ZeroRange");
    case S::visibleRange:
        if (!element.visibleRange) return std::nullopt;
        return fromExtents(element.boundsAtLocation, rules, "VisibleRange");
    case S::lineInfo: return lineInfoEstimate(element, rules);
    case S::elementAndWindow: {
        auto rect = elementAndWindowEstimate(element);
        if (rect && (rect->y() < element.frame->top() - 100 || rect->y() > element.frame->bottom() + 100)) {
            return std::nullopt;
        }
        return rect;
    }
    case S::textMarkerRange:
        if (!element.textMarkerBounds) {
            trace(QStringLiteral("[TextMarkerRange] not offered"));
            return std::nullopt;
        }
        return element.textMarkerBounds;
    case S::lastLineFallback: return lastLineEstimate(element, rules);
    }
    return std::nullopt;
}

std::pair<int, double> TextCaretPositionDetector::caretLine(const FocusedTextElement& element) const {
    const QString text = element.text.value_or(QString());
    const qsizetype caret = std::clamp<qsizetype>(element.selection->location, 0, text.size());
    const QString before = text.left(caret);
    const int line = static_cast<int>(before.count(u'\n'));
    const QString lineText = before.mid(before.lastIndexOf(u'\n') + 1);
    return {line, measurer_(lineText)};
}

std::optional<QRectF> TextCaretPositionDetector::lineInfoEstimate(const FocusedTextElement& element,
                                                                  const CaretRectangleRules& rules) const {
    if (!element.text || !element.frame) return std::nullopt;
    const QRectF frame = *element.frame;
    const auto [line, width] = caretLine(element);
    const QRectF rect(frame.left() + width + 4, frame.top() + line * estimatedLineHeight + 2, 2, estimatedLineHeight);
    if (rect.y() < frame.top() - 100 || rect.y() > frame.bottom() + 100) {
        trace(QStringLiteral("[LineInfo] estimate outside the element"));
        return std::nullopt;
    }
    if (!rules.isOnScreen(rect.topLeft(), 0)) {
        trace(QStringLiteral("[LineInfo] estimate off every screen"));
        return std::nullopt;
    }
    return rect;
}

std::optional<QRectF> TextCaretPositionDetector::elementAndWindowEstimate(const FocusedTextElement& element) const {
    if (!element.frame || !element.selection) return std::nullopt;
    const QRectF frame = *element.frame;
    if (element.windowFrame) trace(QStringLiteral("Window ") + describe(*element.windowFrame));
    const auto [line, width] = caretLine(element);
    const double x = std::min(frame.left() + width + 4, frame.right() - 2);
    double y = multiLineRoles.count(element.role) > 0 ? frame.top() + line * estimatedLineHeight + 4
                                                      : frame.top() + (frame.height() - estimatedCaretHeight) * 0.5;
    if (element.windowFrame) y = std::max(y, element.windowFrame->top() + 22); // below the title bar
    y = std::min(y, frame.bottom() - estimatedCaretHeight);
    return QRectF(x, y, 2, estimatedCaretHeight);
}

std::optional<QRectF> TextCaretPositionDetector::lastLineEstimate(const FocusedTextElement& element,
                                                                  const CaretRectangleRules& rules) const {
    if (!element.frame) {
        trace(QStringLiteral("[LastLineFallback] no element frame"));
        return std::nullopt;
    }
    const QRectF frame = *element.frame;
    double bottom = frame.bottom() - 8; // bottom margin
    if (element.windowFrame) {
        trace(QStringLiteral("[LastLineFallback] using the window's position"));
        bottom = std::min(bottom, element.windowFrame->bottom() - 30);
    }
    const double y = std::max(frame.top(), bottom - estimatedCaretHeight);
    const auto [line, width] = element.text ? caretLine(element) : std::pair<int, double>{0, 0.0};
    (void)line;
    const double x = std::clamp(frame.left() + width + 4, frame.left() + 10, std::max(frame.left() + 10, frame.right() - 10));
    const QRectF rect(x, y, 2, estimatedCaretHeight);
    if (rect.width() > 20 || rect.height() < 8 || rect.height() > 60 || !rules.isOnScreen(rect.center(), 0)) {
        return std::nullopt;
    }
    return rect;
}

} // namespace quellpad
