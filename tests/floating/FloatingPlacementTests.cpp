// Placement of the floating panel and its preview bubble across a desktop of three
// screens of different sizes: B left of the primary and reaching above it, C right of
// it and reaching below it. Cases are written in root-window (y-down) coordinates, the
// ones the accessibility interface and X11 use, and go through the same conversions
// as the app: QtScreens for the screens, DesktopCoordinateSpace for the caret.
#include <gtest/gtest.h>

#include "floating/DesktopCoordinateSpace.h"
#include "floating/FloatingClipboardPositionCalculator.h"
#include "floating/FloatingClipboardPreviewPlacement.h"
#include "platform/QtScreens.h"

namespace quellpad {
namespace {

const QRect primaryRoot(1280, 300, 1920, 1080);
const QRect leftRoot(0, 0, 1280, 1024);
const QRect rightRoot(3200, 500, 2560, 1440);
constexpr int topBar = 28;

QRect withoutTopBar(const QRect& geometry) { return geometry.adjusted(0, topBar, 0, 0); }

std::vector<ScreenFrame> desktop() {
    return {QtScreens::convert(primaryRoot, withoutTopBar(primaryRoot), primaryRoot, 1, true),
            QtScreens::convert(leftRoot, withoutTopBar(leftRoot), primaryRoot, 1, false),
            QtScreens::convert(rightRoot, withoutTopBar(rightRoot), primaryRoot, 1, false)};
}

// The panel's top-left corner in root coordinates for a caret given in root coordinates.
QPointF panelTopLeftForCaret(const QRectF& caretRoot) {
    const auto screens = desktop();
    const DesktopCoordinateSpace space(screens);
    const FloatingClipboardPositionCalculator calculator(screens);
    const QPointF origin = calculator.originForCaretRect(space.toYUp(caretRoot));
    return space.toDesktop(QRectF(origin, FloatingClipboardPositionCalculator::panelSize)).topLeft();
}

QPointF panelTopLeftForPointer(const QPointF& pointerRoot) {
    const auto screens = desktop();
    const DesktopCoordinateSpace space(screens);
    const FloatingClipboardPositionCalculator calculator(screens);
    const QPointF origin = calculator.originForMouseAnchor(QtScreens::convert(pointerRoot, primaryRoot));
    return space.toDesktop(QRectF(origin, FloatingClipboardPositionCalculator::panelSize)).topLeft();
}

TEST(DesktopCoordinateSpaceTest, AgreesWithTheScreensConversionAndIsItsOwnInverse) {
    const auto screens = desktop();
    const DesktopCoordinateSpace space(screens);
    EXPECT_EQ(space.desktopBounds().size(), QSizeF(5760, 1940));
    for (const QRect root : {primaryRoot, leftRoot, rightRoot}) {
        const QRectF yUp = QtScreens::convert(root, root, primaryRoot, 1, false).frame;
        EXPECT_EQ(space.toYUp(QRectF(root)), yUp);
        EXPECT_EQ(space.toDesktop(yUp), QRectF(root));
    }
    const QPointF point(4000, 1900);
    EXPECT_EQ(space.toYUp(point), QtScreens::convert(point, primaryRoot));
    EXPECT_EQ(space.toDesktop(space.toYUp(point)), point);
    const auto inRoot = space.screensInDesktopCoordinates(screens);
    EXPECT_EQ(inRoot[1].frame, QRectF(leftRoot));
    EXPECT_EQ(inRoot[2].availableFrame, QRectF(withoutTopBar(rightRoot)));
}

struct CaretCase {
    const char* what;
    QRectF caret;
    QPointF expectedTopLeft;
};

TEST(FloatingClipboardPositionCalculatorTest, CaretAnchorOnEveryScreen) {
    const CaretCase cases[] = {
        {"primary: left edge at the caret, 12 below it", {1300, 400, 1, 20}, {1300, 432}},
        {"left screen, which reaches above the primary", {100, 200, 2, 18}, {100, 230}},
        {"left screen near its own bottom, which lies above the primary's", {500, 900, 2, 18}, {500, 528}},
        {"right screen near its bottom: above the caret line", {3300, 1800, 2, 20}, {3300, 1428}},
        {"right screen near its right edge: pulled left", {5600, 600, 2, 20}, {5760 - 420 - 12, 632}},
        {"primary near its right edge, another screen beyond", {3000, 400, 2, 18}, {3200 - 420 - 12, 430}},
        {"right screen's top edge", {3300, 500, 2, 18}, {3300, 530}},
        {"caret on the left edge of the left screen", {0, 300, 0, 18}, {0, 330}},
    };
    for (const CaretCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(panelTopLeftForCaret(c.caret), c.expectedTopLeft);
    }
}

TEST(FloatingClipboardPositionCalculatorTest, CaretPanelStaysOnTheScreenWithAGap) {
    // A caret taller than the room on either side: above it would leave the screen, so
    // the panel is pushed down to 12 below the screen's top.
    EXPECT_EQ(panelTopLeftForCaret({1500, 500, 2, 600}), QPointF(1500, primaryRoot.top() + 12));
    // Left of the screen's left edge: pulled in by the gap.
    EXPECT_EQ(panelTopLeftForCaret({-30, 300, 60, 18}).x(), 12);
}

TEST(FloatingClipboardPositionCalculatorTest, CaretOffEveryScreenFallsBackToThePrimary) {
    // Above the right screen, where no screen is: the primary is the fallback screen.
    const auto screens = desktop();
    const DesktopCoordinateSpace space(screens);
    const FloatingClipboardPositionCalculator calculator(screens);
    const auto screen = calculator.screenContaining(space.toYUp(QPointF(4000, 100)));
    ASSERT_TRUE(screen);
    EXPECT_TRUE(screen->isPrimary);
    // The key window's screen comes before the primary.
    const FloatingClipboardPositionCalculator withKey(screens, screens[2]);
    EXPECT_EQ(withKey.screenContaining(space.toYUp(QPointF(4000, 100)))->frame, screens[2].frame);
    EXPECT_FALSE(FloatingClipboardPositionCalculator({}).screenContaining({0, 0}));
}

TEST(FloatingClipboardPositionCalculatorTest, AdjacentScreensDoNotShareTheirBorder) {
    const auto screens = desktop();
    const DesktopCoordinateSpace space(screens);
    const FloatingClipboardPositionCalculator calculator(screens);
    EXPECT_TRUE(calculator.screenContaining(space.toYUp(QPointF(1280, 400)))->isPrimary);
    EXPECT_EQ(calculator.screenContaining(space.toYUp(QPointF(1279.5, 400)))->frame, screens[1].frame);
    EXPECT_EQ(calculator.screenContaining(space.toYUp(QPointF(3200, 600)))->frame, screens[2].frame);
    // The desktop's top row and a screen's top and bottom rows.
    EXPECT_EQ(calculator.screenContaining(space.toYUp(QPointF(5, 0)))->frame, screens[1].frame);
    EXPECT_EQ(calculator.screenContaining(space.toYUp(QPointF(4000, 500)))->frame, screens[2].frame);
    EXPECT_EQ(calculator.screenContaining(space.toYUp(QPointF(5, 1023)))->frame, screens[1].frame);
    EXPECT_TRUE(calculator.screenContaining(space.toYUp(QPointF(5, 1024)))->isPrimary); // no screen: fallback
}

TEST(FloatingClipboardPositionCalculatorTest, PointerAnchorOnEveryScreen) {
    struct PointerCase {
        const char* what;
        QPointF pointer;
        QPointF expectedTopLeft;
    };
    const PointerCase cases[] = {
        {"primary: centred, hanging 12 below", {2240, 800}, {2030, 812}},
        {"100 above the visible bottom: 12 above the pointer", {2000, 1280}, {1790, 1280 - 12 - 360}},
        {"far right of the right screen: clamped to its right edge", {5750, 800}, {5760 - 420, 812}},
        {"far left of the left screen, near its top", {5, 40}, {0, 52}},
        {"just below the top bar of the right screen", {4000, 530}, {3790, 542}},
    };
    for (const PointerCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(panelTopLeftForPointer(c.pointer), c.expectedTopLeft);
    }
}

TEST(FloatingClipboardPositionCalculatorTest, PointerAnchorWithoutScreensClampsToNothing) {
    const FloatingClipboardPositionCalculator calculator({});
    // Against the zero rectangle: x = min(max(x, 0), -420), y = min(max(y, 0), -360).
    EXPECT_EQ(calculator.originForMouseAnchor({500, 500}), QPointF(-420, -360));
}

// Bubble placement is y-up; the panel sits on a 1920 x 1080 screen with a full visible frame.
class FloatingPreviewPlacementTest : public ::testing::Test {
protected:
    std::vector<ScreenFrame> screens{{QRectF(0, 0, 1920, 1080), QRectF(0, 0, 1920, 1080), 1, true}};
    FloatingClipboardPositionCalculator calculator{screens};
    QSizeF preferred{360, 300};
};

TEST_F(FloatingPreviewPlacementTest, RightOfThePanelWhenItFitsElseLeftElseNone) {
    const QRectF panel(100, 300, 420, 360);
    const QRectF row(100, 560, 420, 40);
    auto right = FloatingClipboardPreviewPlacement::compute(calculator, panel, row, preferred);
    ASSERT_TRUE(right);
    EXPECT_EQ(right->arrowSide, FloatingClipboardPreviewArrowSide::leading);
    EXPECT_EQ(right->frame, QRectF(524, 580 - 150, 360, 300));
    EXPECT_EQ(right->arrowCenterY, 150);

    const QRectF nearRightEdge(1920 - 420 - 100, 300, 420, 360);
    auto left = FloatingClipboardPreviewPlacement::compute(calculator, nearRightEdge, row, preferred);
    ASSERT_TRUE(left);
    EXPECT_EQ(left->arrowSide, FloatingClipboardPreviewArrowSide::trailing);
    EXPECT_EQ(left->frame.right(), nearRightEdge.left() - 4);

    // 331 points left on each side of the panel (the margins eat 12): no room for 320.
    const std::vector<ScreenFrame> narrow{{QRectF(0, 0, 1082, 800), QRectF(0, 0, 1082, 800), 1, true}};
    const FloatingClipboardPositionCalculator narrowCalculator(narrow);
    EXPECT_FALSE(FloatingClipboardPreviewPlacement::compute(narrowCalculator, QRectF(331, 200, 420, 360), row,
                                                            preferred));
    // Exactly 320 on the right is enough.
    EXPECT_TRUE(FloatingClipboardPreviewPlacement::compute(narrowCalculator, QRectF(330, 200, 420, 360), row,
                                                           preferred));
}

TEST_F(FloatingPreviewPlacementTest, SizeIsCappedByTheRoomAndTheScreenAndKeptInside) {
    const QRectF panel(1920 - 420 - 340, 600, 420, 360); // 328 on the right after margins
    const QRectF topRow(panel.left(), 1040, 420, 30);
    auto placement = FloatingClipboardPreviewPlacement::compute(calculator, panel, topRow, {600, 2000});
    ASSERT_TRUE(placement);
    EXPECT_EQ(placement->frame.width(), 328);
    EXPECT_EQ(placement->frame.height(), 1080 - 51);
    EXPECT_LE(placement->frame.bottom(), 1080 - 23);
    EXPECT_GE(placement->frame.top(), 4);
    // The arrow stays within its range even when the row's middle is beyond it.
    EXPECT_EQ(placement->arrowCenterY, placement->frame.height() - 30);
}

TEST_F(FloatingPreviewPlacementTest, ShortBubbleKeepsItsArrowInside) {
    const QRectF panel(100, 300, 420, 360);
    for (const double rowY : {300.0, 480.0, 640.0}) {
        SCOPED_TRACE(rowY);
        auto placement =
            FloatingClipboardPreviewPlacement::compute(calculator, panel, QRectF(100, rowY, 420, 20), {360, 40});
        ASSERT_TRUE(placement);
        EXPECT_EQ(placement->frame.height(), 40);
        EXPECT_GE(placement->arrowCenterY, 0);
        EXPECT_LE(placement->arrowCenterY, 40);
    }
}

} // namespace
} // namespace quellpad
