// The caret rules over elements as the accessibility interface would report them, on
// a desktop of two screens (desktop coordinates, y down), and the anchor choice.
#include <gtest/gtest.h>

#include "floating/ClipboardFloatingAnchorResolver.h"
#include "floating/DesktopCoordinateSpace.h"
#include "floating/TextCaretPositionDetector.h"
#include "platform/fake/FakeAccessibilityService.h"
#include "platform/fake/FakeScreens.h"

namespace quellpad {
namespace {

using S = CaretDetectionStrategy;

// y-up: a 1920 x 1080 primary and a 1280 x 1024 screen left of it, reaching 200 higher.
std::vector<ScreenFrame> twoScreens() {
    return {{QRectF(0, 0, 1920, 1080), QRectF(0, 0, 1920, 1052), 1, true},
            {QRectF(-1280, 256, 1280, 1024), QRectF(-1280, 256, 1280, 1024), 1, false}};
}

FocusedTextElement entry(const QString& text, int caret) {
    FocusedTextElement element;
    element.role = QStringLiteral("entry");
    element.isEditable = true;
    element.implementsText = true;
    element.selection = AccessibleTextRange{caret, 0};
    element.text = text;
    element.frame = QRectF(1400, 400, 300, 30);
    element.windowFrame = QRectF(1380, 350, 400, 200);
    return element;
}

class CaretDetectionTest : public ::testing::Test {
protected:
    CaretDetectionTest() { screens.frames = twoScreens(); }

    CaretRectangleRules rules() const {
        const DesktopCoordinateSpace space(screens.frames);
        return CaretRectangleRules(space.screensInDesktopCoordinates(screens.frames), space.desktopBounds().height());
    }
    std::optional<QRectF> detect(const FocusedTextElement& element, const char* app = nullptr) const {
        return detector.detect(element, app ? std::optional<QString>(QString::fromLatin1(app)) : std::nullopt,
                               rules());
    }

    FakeAccessibilityService accessibility;
    FakeScreens screens;
    TextCaretPositionDetector detector{accessibility, screens, [](const QString& text) { return 7.0 * text.size(); }};
};

TEST(CaretAppStrategyConfigTest, ExactKeyThenPrefixThenDefault) {
    EXPECT_EQ(AppStrategyConfig::forApplication(QStringLiteral("org.gnome.gedit")).displayName, "gedit");
    const AppStrategyConfig idea = AppStrategyConfig::forApplication(QStringLiteral("jetbrains-idea-ce"));
    EXPECT_EQ(idea.displayName, "IntelliJ IDEA");
    EXPECT_EQ(idea.preferredStrategies.back(), S::lastLineFallback);
    // "firefox-esr" starts with "firefox"; the exact Flatpak id has its own row.
    EXPECT_EQ(AppStrategyConfig::forApplication(QStringLiteral("firefox-esr")).applicationId, "firefox");
    for (const std::optional<QString>& unknown : {std::optional<QString>(QStringLiteral("org.example.Unknown")),
                                                  std::optional<QString>()}) {
        const AppStrategyConfig config = AppStrategyConfig::forApplication(unknown);
        EXPECT_EQ(config.applicationId, "*");
        ASSERT_EQ(config.preferredStrategies.size(), 8u);
        for (int i = 0; i < 8; ++i) EXPECT_EQ(static_cast<int>(config.preferredStrategies[i]), i);
    }
    EXPECT_EQ(AppStrategyConfig::forApplication(QStringLiteral("org.gnome.Notes")).offsetMode,
              PanelOffsetMode::caretHeight);
    EXPECT_TRUE(AppStrategyConfig::isBrowser(QStringLiteral("google-chrome-beta")));
    EXPECT_FALSE(AppStrategyConfig::isBrowser(QStringLiteral("org.gnome.gedit")));
}

TEST_F(CaretDetectionTest, ExtentsAnswersAreCheckedBeforeUse) {
    const CaretRectangleRules r = rules();
    EXPECT_EQ(r.acceptExtents({1500, 405, 0, 16}), QRectF(1500, 405, 1, 16));
    EXPECT_FALSE(r.acceptExtents({1400, 400, 300, 22}));  // the field's outline
    EXPECT_TRUE(r.acceptExtents({1400, 400, 300, 20}));   // a wide selection one line high
    EXPECT_FALSE(r.acceptExtents({1500, 405, 2, 0}));
    EXPECT_FALSE(r.acceptExtents({1500, 405, 2, 60}));
    EXPECT_FALSE(r.acceptExtents({1500, -10001, 2, 16}));

    EXPECT_NE(r.rectangleCheck({1500, 405, 2, 4}), QString());
    EXPECT_EQ(r.rectangleCheck({1500, 405, 2, 200}), QString());
    EXPECT_NE(r.rectangleCheck({1500, 405, 2, 201}), QString());
    EXPECT_NE(r.rectangleCheck({1500, 405, -1, 16}), QString());
    EXPECT_NE(r.rectangleCheck({qInf(), 405, 2, 16}), QString());
    EXPECT_EQ(r.rectangleCheck({3299, 405, 2, 16}), QString()); // within the 100-point slack
    EXPECT_NE(r.rectangleCheck({3301, 405, 2, 16}), QString());
}

TEST_F(CaretDetectionTest, OutlineAnswerMovesOnToTheNextStrategyAndZeroWidthWidens) {
    FocusedTextElement element = entry(QStringLiteral("hello"), 5);
    element.boundsForSelection = QRectF(1400, 400, 300, 22);
    element.boundsAtLocation = QRectF(1440, 405, 0, 16);
    EXPECT_EQ(detect(element, "org.gnome.gedit"), QRectF(1440, 405, 1, 16));
    // Nothing plausible at all and not a browser: nothing.
    element.boundsAtLocation.reset();
    EXPECT_EQ(detect(element, "org.gnome.gedit"), std::nullopt);
}

TEST_F(CaretDetectionTest, SelectionEndOnlyWithASelection) {
    FocusedTextElement element = entry(QStringLiteral("hello world"), 0);
    element.boundsAtSelectionEnd = QRectF(1480, 405, 1, 16);
    element.boundsAtLocation = QRectF(1404, 405, 1, 16);
    EXPECT_EQ(detect(element, "org.gnome.gedit"), QRectF(1404, 405, 1, 16));
    element.selection = AccessibleTextRange{0, 5};
    EXPECT_EQ(detect(element, "org.gnome.gedit"), QRectF(1480, 405, 1, 16));
}

TEST_F(CaretDetectionTest, OnlyEditableTextWithACaretIsAsked) {
    FocusedTextElement label = entry(QStringLiteral("hello"), 0);
    label.role = QStringLiteral("label");
    label.isEditable = false;
    label.boundsForSelection = QRectF(1404, 405, 1, 16);
    EXPECT_FALSE(TextCaretPositionDetector::isEditable(label));
    EXPECT_EQ(detect(label), std::nullopt);
    label.isEditable = true; // an editable element of another role
    EXPECT_TRUE(TextCaretPositionDetector::isEditable(label));

    FocusedTextElement document = label;
    document.role = QStringLiteral("document web");
    EXPECT_FALSE(TextCaretPositionDetector::isEditable(document));
    document.descendantHasSelection = true;
    EXPECT_TRUE(TextCaretPositionDetector::isEditable(document));

    FocusedTextElement noCaret = entry(QStringLiteral("x"), 0);
    noCaret.selection.reset();
    noCaret.boundsForSelection = QRectF(1404, 405, 1, 16);
    EXPECT_EQ(detect(noCaret), std::nullopt);
    FocusedTextElement noRole = noCaret;
    noRole.role.clear();
    EXPECT_EQ(detect(noRole), std::nullopt);
}

TEST_F(CaretDetectionTest, EstimatesFromTheTextAndTheFrames) {
    // Caret at the very end of three lines: the last line, after "ab".
    FocusedTextElement area = entry(QStringLiteral("first\nsecond\nab"), 99);
    area.role = QStringLiteral("text");
    area.frame = QRectF(1400, 400, 300, 100);
    const auto line = detector.lineInfoEstimate(area, rules());
    ASSERT_TRUE(line);
    EXPECT_EQ(line->topLeft(), QPointF(1400 + 14 + 4, 400 + 2 * 18 + 2));

    const auto multiLine = detector.elementAndWindowEstimate(area);
    ASSERT_TRUE(multiLine);
    EXPECT_EQ(*multiLine, QRectF(1418, 440, 2, 16));
    // A single-line field: a 16-point caret centred; x capped inside the field.
    FocusedTextElement field = entry(QString(60, u'w'), 60);
    const auto centred = detector.elementAndWindowEstimate(field);
    ASSERT_TRUE(centred);
    EXPECT_EQ(*centred, QRectF(1698, 407, 2, 16));
    // A window whose top is lower than the field's estimate raises it below the title bar.
    field.windowFrame = QRectF(1380, 395, 400, 200);
    EXPECT_EQ(detector.elementAndWindowEstimate(field)->y(), 414); // at most frame bottom - 16

    const auto last = detector.lastLineEstimate(area, rules());
    ASSERT_TRUE(last);
    EXPECT_TRUE(area.frame->contains(*last));
    EXPECT_EQ(last->height(), 16);
}

TEST_F(CaretDetectionTest, BrowserFieldsFallBackToTheFrameEstimate) {
    FocusedTextElement field = entry(QStringLiteral("abc"), 3);
    field.text.reset(); // no text for the line estimate
    field.boundsForSelection = QRectF(1400, 400, 300, 30); // outline only
    const auto rect = detect(field, "firefox-esr");
    ASSERT_TRUE(rect);
    EXPECT_EQ(*rect, QRectF(1400 + 4, 407, 2, 16));
    EXPECT_EQ(detect(field, "org.gnome.gedit"), std::nullopt);
}

TEST_F(CaretDetectionTest, BottomUpAnswersAreFlippedBackAndOffsetsApplied) {
    const CaretRectangleRules r = rules();
    // Desktop height is 1280 (the left screen reaches 200 above the primary).
    EXPECT_EQ(r.normalize({1500, 600, 1, 16}), QRectF(1500, 600, 1, 16));
    // Above the desktop, flipped it lands on the primary's bottom.
    EXPECT_EQ(r.normalize({1500, -100, 1, 16}), QRectF(1500, 1280 + 100 - 16, 1, 16));
    // On no screen either way: the non-negative one wins.
    EXPECT_EQ(r.normalize({5000, -9000, 1, 16}).y(), 1280 + 9000 - 16);

    AppStrategyConfig config = AppStrategyConfig::forApplication(QStringLiteral("org.gnome.Notes"));
    EXPECT_EQ(CaretRectangleRules::applyOffset({10, 100, 1, 20}, config), QRectF(10, 120, 1, 20));
    config.offsetMode = PanelOffsetMode::custom;
    config.customOffset = 7;
    config.offsetDirection = PanelOffsetDirection::up;
    EXPECT_EQ(CaretRectangleRules::applyOffset({10, 100, 1, 20}, config), QRectF(10, 93, 1, 20));
    config.customOffset.reset();
    EXPECT_EQ(CaretRectangleRules::applyOffset({10, 100, 1, 20}, config), QRectF(10, 100, 1, 20));
    EXPECT_TRUE(r.validate({1500, 600, 1, 16}).isEmpty());
    EXPECT_EQ(r.validate({5000, 600, -1, 100}).size(), 3);
}

TEST_F(CaretDetectionTest, DetectionAsksTheServiceWithinTheBudget) {
    FocusedTextElement field = entry(QStringLiteral("abc"), 3);
    field.boundsForSelection = QRectF(1425, 405, 1, 16);
    accessibility.focused = field;
    EXPECT_EQ(detector.detectCaretRect(QStringLiteral("org.gnome.gedit"), 4242), QRectF(1425, 405, 1, 16));
    EXPECT_EQ(accessibility.lastBudget, TextCaretPositionDetector::defaultBudget);
    EXPECT_EQ(accessibility.lastProcessIdentifier, 4242);
    accessibility.focused.reset(); // no answer in time
    EXPECT_EQ(detector.detectCaretRect(std::nullopt, 0), std::nullopt);
}

TEST_F(CaretDetectionTest, AnchorIsTheCaretOnlyWhenTrustedAndFound) {
    screens.pointer = QPointF(300, 500);
    QString status = QStringLiteral("denied");
    const ClipboardFloatingAnchorResolver resolver([&status] { return status; }, &detector, screens);
    FocusedTextElement field = entry(QStringLiteral("abc"), 3);
    field.boundsForSelection = QRectF(1425, 405, 1, 16);
    accessibility.focused = field;

    FloatingClipboardAnchor anchor = resolver.resolveAnchor({});
    EXPECT_EQ(anchor.kind, FloatingClipboardAnchor::Kind::mouse);
    EXPECT_EQ(anchor.mouse, QPointF(300, 500));
    EXPECT_EQ(accessibility.focusQueries, 0);

    status = QStringLiteral("authorized");
    anchor = resolver.resolveAnchor({});
    ASSERT_EQ(anchor.kind, FloatingClipboardAnchor::Kind::caret);
    // Desktop top is 200 above the primary's top (1080): y-up = 1280 - 405 - 16, x shifted by -1280.
    EXPECT_EQ(anchor.caret, QRectF(1425 - 1280, 1280 - 405 - 16, 1, 16));

    accessibility.focused.reset();
    anchor = resolver.resolveAnchor({});
    EXPECT_EQ(anchor.kind, FloatingClipboardAnchor::Kind::mouse);
    EXPECT_EQ(accessibility.focusQueries, 2);
}

} // namespace
} // namespace quellpad
