// The floating panel's show/hide cycle and its preview bubble over fakes: a recording
// window, a scripted focused element, one 1920 x 1080 screen, hand-fired timers.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include "floating/ClipboardPanelPresentationSelector.h"
#include "floating/FloatingClipboardPanelController.h"
#include "floating/TextCaretPositionDetector.h"
#include "panel/PanelTestDoubles.h"
#include "platform/fake/FakeAccessibilityService.h"
#include "platform/fake/FakeScreens.h"
#include "platform/fake/ManualTimerScheduler.h"
#include "settings/PreferenceKeys.h"

namespace quellpad {
namespace {

constexpr double rowHeight = 40;
constexpr double listTop = 50;

class RecordingFloatingWindow final : public FloatingClipboardPanelWindowing {
public:
    explicit RecordingFloatingWindow(ClipboardPanelViewModel& model) : model_(model) {}

    bool isPanelVisible() const override { return visible; }
    void showPanelAt(const QRectF& f) override {
        frame = f;
        visible = true;
        ++shows;
    }
    void hidePanel() override { visible = false; }
    QRectF panelFrame() const override { return frame; }
    void setRowStyle(ClipboardResultListRowStyle s) override { style = s; }
    std::optional<QRectF> selectedRowFrame() const override {
        if (model_.selectedIndex() < 0 || model_.clipboardItems().empty()) return std::nullopt;
        return QRectF(frame.x(), frame.y() + listTop + model_.selectedIndex() * rowHeight, frame.width(), rowHeight);
    }
    QSizeF preferredPreviewSize() const override { return {360, 240}; }
    void showPreview(const QRectF& f, FloatingClipboardPreviewArrowSide side, double arrow) override {
        previewFrame = f;
        previewSide = side;
        arrowCenterY = arrow;
        previewVisible = true;
        previewRows.push_back(model_.selectedIndex());
    }
    void hidePreview() override { previewVisible = false; }
    bool isPreviewVisible() const override { return previewVisible; }
    void clearSearchField() override { searchText.clear(); }
    void setSearchFieldText(const QString& text, qsizetype) override { searchText = text; }
    QString searchFieldSelectedText() const override { return {}; }
    std::optional<QString> previewFormattedText(const QString&) const override { return std::nullopt; }
    bool isPreviewFormattingEnabled() const override { return false; }
    void setPreviewFormattingEnabled(bool) override {}
    void openActionsMenuForSelectedRow() override {}

    bool visible = false;
    int shows = 0;
    QRectF frame;
    ClipboardResultListRowStyle style = ClipboardResultListRowStyle::standard;
    bool previewVisible = false;
    QRectF previewFrame;
    FloatingClipboardPreviewArrowSide previewSide = FloatingClipboardPreviewArrowSide::leading;
    double arrowCenterY = 0;
    std::vector<int> previewRows;
    QString searchText;

private:
    ClipboardPanelViewModel& model_;
};

FocusedTextElement entryWithCaretAt(const QRectF& caret) {
    FocusedTextElement element;
    element.role = QStringLiteral("entry");
    element.isEditable = true;
    element.implementsText = true;
    element.selection = AccessibleTextRange{3, 0};
    element.boundsForSelection = caret;
    element.frame = QRectF(caret.x() - 30, caret.y() - 6, 400, 30);
    return element;
}

class FloatingClipboardPanelControllerTest : public ::testing::Test {
protected:
    FloatingClipboardPanelControllerTest() {
        for (int i = 0; i < 4; ++i) rig.history->addText(QStringLiteral("item %1").arg(i));
        screens.frames = {{QRectF(0, 0, 1920, 1080), QRectF(0, 0, 1920, 1080), 1, true}};
        screens.pointer = QPointF(1000, 500); // y-up: desktop (1000, 580)
        accessibility.enabled = true;
        accessibility.focused = entryWithCaretAt({300, 400, 1, 18});
        controller.setWindow(&window);
    }

    void waitForRows() {
        QElapsedTimer timer;
        timer.start();
        while (rig.viewModel.clipboardItems().size() < 4 && timer.elapsed() < 5000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        ASSERT_EQ(rig.viewModel.clipboardItems().size(), 4u);
    }
    // Opens the panel and runs the deferred placement.
    void open() {
        controller.show();
        ASSERT_TRUE(controller.isShowPending());
        waitForRows();
        ASSERT_TRUE(timers.fireNext());
    }

    test::PanelRig rig;
    FakeScreens screens;
    FakeAccessibilityService accessibility;
    TextCaretPositionDetector detector{accessibility, screens};
    QString status = QStringLiteral("authorized");
    ClipboardFloatingAnchorResolver resolver{[this] { return status; }, &detector, screens};
    ManualTimerScheduler timers;
    FloatingClipboardPanelController controller{
        rig.controller, FloatingClipboardPanelServices{screens, timers, rig.defaults, DistributionChannel::direct,
                                                       resolver, [] { return FloatingAnchorTarget{}; }}};
    RecordingFloatingWindow window{rig.viewModel};
};

TEST_F(FloatingClipboardPanelControllerTest, ShowingIsDeferredThenPlacedAtTheCaret) {
    controller.show();
    EXPECT_TRUE(controller.isVisible()); // a second shortcut press hides it
    EXPECT_FALSE(window.visible);
    EXPECT_EQ(accessibility.focusQueries, 0); // the caret is read after the key event, not inside it
    EXPECT_EQ(timers.pendingIntervals(), std::vector<double>{0});
    ASSERT_TRUE(timers.fireNext());
    EXPECT_EQ(accessibility.focusQueries, 1);
    ASSERT_TRUE(window.visible);
    // Left edge at the caret, 12 below its bottom.
    EXPECT_EQ(window.frame, QRectF(300, 430, 420, 360));
    EXPECT_EQ(window.style, ClipboardResultListRowStyle::standard);
}

TEST_F(FloatingClipboardPanelControllerTest, AboveTheCaretNearTheBottomAndAtThePointerWithoutACaret) {
    accessibility.focused = entryWithCaretAt({1700, 900, 1, 18});
    open();
    EXPECT_EQ(window.frame, QRectF(1920 - 420 - 12, 900 - 12 - 360, 420, 360));
    controller.hide();

    accessibility.focused.reset();
    open();
    EXPECT_EQ(window.frame, QRectF(1000 - 210, 580 + 12, 420, 360));
    controller.hide();

    status = QStringLiteral("denied");
    accessibility.focused = entryWithCaretAt({300, 400, 1, 18});
    const int queries = accessibility.focusQueries;
    open();
    EXPECT_EQ(accessibility.focusQueries, queries);
    EXPECT_EQ(window.frame.topLeft(), QPointF(790, 592));
}

TEST_F(FloatingClipboardPanelControllerTest, CompactStyleOnlyWhenChosen) {
    rig.defaults.set(PreferenceKeys::floatingClipboardListStyle, QStringLiteral("compact"));
    open();
    EXPECT_EQ(window.style, ClipboardResultListRowStyle::compact);
}

TEST_F(FloatingClipboardPanelControllerTest, HidingCancelsPendingPlacementAndPreview) {
    controller.show();
    controller.hide(); // the shortcut again, before the placement ran
    EXPECT_FALSE(controller.isVisible());
    EXPECT_TRUE(timers.pendingIntervals().empty());
    EXPECT_EQ(window.shows, 0);
    EXPECT_EQ(accessibility.focusQueries, 0);

    open();
    ASSERT_TRUE(controller.isPreviewPending());
    EXPECT_TRUE(controller.handleKey(ClipboardPanelKeyCommand::dismissOrCloseCompletion)); // Escape
    EXPECT_FALSE(window.visible);
    EXPECT_FALSE(controller.isPreviewPending());
    EXPECT_TRUE(timers.pendingIntervals().empty());

    open();
    controller.focusLeft(); // a click in another window
    EXPECT_FALSE(window.visible);
    EXPECT_FALSE(rig.controller.isVisible());
}

TEST_F(FloatingClipboardPanelControllerTest, PreviewFollowsTheLastSelection) {
    open();
    EXPECT_EQ(timers.pendingIntervals(), std::vector<double>{0.08});
    ASSERT_TRUE(timers.fireNext());
    ASSERT_TRUE(window.previewVisible);
    EXPECT_EQ(window.previewSide, FloatingClipboardPreviewArrowSide::leading);
    EXPECT_EQ(window.previewFrame.left(), 300 + 420 + 4);
    // Centred on the first row's middle (desktop y 430 + 50 + 20).
    EXPECT_EQ(window.previewFrame.center().y(), 500);

    // Rapid moves: one pending preview, for the row selected last.
    for (int i = 0; i < 3; ++i) controller.handleKey(ClipboardPanelKeyCommand::selectNext);
    EXPECT_EQ(timers.pendingIntervals(), std::vector<double>{0.08});
    ASSERT_TRUE(timers.fireNext());
    EXPECT_EQ(window.previewRows, (std::vector<int>{0, 3}));
    EXPECT_EQ(window.previewFrame.center().y(), 430 + 50 + 3 * 40 + 20);

    controller.togglePreview();
    EXPECT_FALSE(window.previewVisible);
    controller.handleKey(ClipboardPanelKeyCommand::selectPrevious);
    ASSERT_TRUE(timers.fireNext());
    EXPECT_TRUE(window.previewVisible);
}

TEST_F(FloatingClipboardPanelControllerTest, PreviewGoesLeftNearTheRightEdgeAndNowhereWithoutRoom) {
    accessibility.focused = entryWithCaretAt({1400, 300, 1, 18});
    open();
    ASSERT_TRUE(timers.fireNext());
    ASSERT_TRUE(window.previewVisible);
    EXPECT_EQ(window.previewSide, FloatingClipboardPreviewArrowSide::trailing);
    EXPECT_EQ(window.previewFrame.right(), 1400 - 4);
    controller.hide();

    screens.frames = {{QRectF(0, 0, 1000, 1080), QRectF(0, 0, 1000, 1080), 1, true}};
    accessibility.focused = entryWithCaretAt({300, 300, 1, 18});
    open();
    ASSERT_TRUE(timers.fireNext());
    EXPECT_FALSE(window.previewVisible);
}

TEST(ClipboardPanelPresentationSelectorTest, FloatingOnlyInTheDirectChannelWhenChosen) {
    class Panel final : public ClipboardPanelPresenting {
    public:
        bool isVisible() const override { return visible; }
        void show() override { visible = true; }
        void hide() override { visible = false; }
        bool visible = false;
    };
    InMemoryDefaultsStore defaults;
    Panel centered, floating;
    const ClipboardPanelPresentationSelector direct(centered, &floating, defaults, DistributionChannel::direct);
    const ClipboardPanelPresentationSelector store(centered, &floating, defaults, DistributionChannel::appStore);
    const ClipboardPanelPresentationSelector noWidgets(centered, nullptr, defaults, DistributionChannel::direct);
    // A native Wayland window cannot be put at the caret.
    const ClipboardPanelPresentationSelector wayland(centered, &floating, defaults, DistributionChannel::direct, false);
    EXPECT_EQ(&direct.chosen(), &centered);
    defaults.set(PreferenceKeys::directClipboardPresentationMode, QStringLiteral("floating"));
    EXPECT_EQ(&direct.chosen(), &floating);
    EXPECT_EQ(&store.chosen(), &centered);
    EXPECT_EQ(&noWidgets.chosen(), &centered);
    EXPECT_EQ(&wayland.chosen(), &centered);
    EXPECT_EQ(ClipboardPanelPresentationSelector::effectiveMode(DirectClipboardPresentationMode::floating, false),
              DirectClipboardPresentationMode::centered);
    EXPECT_EQ(ClipboardPanelPresentationSelector::effectiveMode(DirectClipboardPresentationMode::floating, true),
              DirectClipboardPresentationMode::floating);

    ClipboardPanelPresentationSelector selector(centered, &floating, defaults, DistributionChannel::direct);
    selector.show();
    EXPECT_TRUE(floating.visible);
    EXPECT_TRUE(selector.isVisible());
    // Switching back while the floating panel is up still hides it.
    defaults.set(PreferenceKeys::directClipboardPresentationMode, QStringLiteral("centered"));
    selector.hide();
    EXPECT_FALSE(floating.visible);
}

} // namespace
} // namespace quellpad
