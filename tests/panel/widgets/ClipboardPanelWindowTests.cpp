// The panel window over a real view model and controller with in-memory history:
// typing filters, keys reach the controller, the detail pane formats, the actions menu
// follows the item kind, the window remembers where the user put it and follows the
// language. Screenshots of the states go to the build folder.
#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>

#include "panel/ClipboardDetailViewModel.h"
#include "panel/ClipboardResultListModel.h"
#include "panel/PanelTestDoubles.h"
#include "panel/widgets/ClipboardDetailPane.h"
#include "panel/widgets/ClipboardPanelWindow.h"
#include "panel/widgets/ClipboardPanelWindowFactory.h"
#include "panel/widgets/ClipboardResultListView.h"
#include "panel/widgets/ClipboardSearchField.h"
#include "settings/PreferenceKeys.h"
#include "support/WidgetScreenshots.h"

namespace quellpad {
namespace {

const QString jsonText = QStringLiteral(
    R"({"release":{"name":"Quellpad","version":"1.4.0","channels":["stable","beta"],"size":18734,"signed":true,"notes":null}})");
const QString linkText = QStringLiteral("https://example.com/docs/quellpad/panel");
const QString chineseText = QStringLiteral("会议纪要：明天下午三点在三楼会议室讨论剪贴板历史面板的设计");

QByteArray sampleImage() {
    QImage image(QSize(1200, 800), QImage::Format_RGB32);
    image.fill(QColor(40, 110, 170));
    QPainter painter(&image);
    painter.fillRect(QRect(100, 100, 500, 300), QColor(240, 200, 80));
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPixelSize(90);
    painter.setFont(font);
    painter.drawText(QRect(0, 450, 1200, 200), Qt::AlignCenter, QStringLiteral("Q3 report"));
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

class ClipboardPanelWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        const QDateTime now = QDateTime::currentDateTime();
        auto& h = *rig.history;
        jsonId = h.addText(jsonText, QStringLiteral("JSON"), QStringLiteral("org.gnome.TextEditor"), now.addSecs(-40));
        linkId = h.addText(linkText, QStringLiteral("URL"), QStringLiteral("org.mozilla.firefox"), now.addSecs(-300));
        imageId = h.addImage(sampleImage(), QStringLiteral("Q3 report"));
        h.items.back().createdAt = now.addSecs(-3600 * 2);
        chineseId = h.addText(chineseText, std::nullopt, QStringLiteral("com.tencent.WeChat"), now.addSecs(-3600 * 3));
        sqlId = h.addText(QStringLiteral("SELECT id, name FROM users WHERE active = 1 ORDER BY name"), QStringLiteral("SQL"),
                          QStringLiteral("org.kde.konsole"), now.addDays(-1));
        const char* plain[] = {"Meeting notes: ship the clipboard panel on Friday", "ssh deploy@build-01.internal",
                               "The quick brown fox jumps over the lazy dog", "npm run build -- --watch",
                               "Remember to water the plants", "git rebase -i origin/main", "Invoice #2291 paid",
                               "needle in a haystack"};
        int age = 2;
        for (const char* text : plain) {
            h.addText(QString::fromUtf8(text), std::nullopt, QStringLiteral("org.gnome.Terminal"), now.addDays(-age++));
        }
        for (int i = 0; i < 30; ++i) {
            h.addText(QStringLiteral("older note %1").arg(i), std::nullopt, QStringLiteral("org.gnome.Terminal"), now.addDays(-20 - i));
        }
        owner = makeClipboardPanelWindow(rig.controller, rig.defaults, rig.localizer);
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* found = qobject_cast<ClipboardPanelWindow*>(widget)) window = found;
        }
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override {
        QApplication::setPalette(QApplication::style()->standardPalette());
        owner.reset();
    }

    void open(QSize size = QSize(880, 560)) {
        window->resize(size); // the offscreen screen is small; screenshots show the usual size
        rig.controller.show();
        ASSERT_TRUE(QTest::qWaitFor([&] { return window->isVisible() && model()->rowCount() > 0 && !rig.viewModel.isLoading(); }));
    }
    ClipboardResultListModel* model() const { return window->resultModel(); }
    ClipboardSearchField* field() const { return window->searchField(); }
    bool detailShows(const QString& id) const {
        return window->detailModel()->presentation().itemId == id && !window->detailModel()->pendingItemId();
    }
    QStringList menuEntries() const {
        QStringList entries;
        if (QMenu* menu = window->actionsMenu()) {
            for (QAction* action : menu->actions()) {
                if (!action->isSeparator()) entries << action->text();
            }
        }
        return entries;
    }
    QStringList menuFor(const QString& id) {
        const auto& items = rig.viewModel.clipboardItems();
        for (int row = 0; row < int(items.size()); ++row) {
            if (items[std::size_t(row)].id == id) {
                window->showActionsMenu(row, window->mapToGlobal(QPoint(100, 100)));
                QStringList entries = menuEntries();
                window->actionsMenu()->close();
                return entries;
            }
        }
        return {};
    }
    // At the screen's own pixel ratio, at least minimumScale; a run with QT_SCALE_FACTOR=2
    // saves true HiDPI pictures (named "-x2").
    void saveScreenshot(const QString& name, qreal minimumScale = 1) {
        QApplication::processEvents();
        QDir().mkpath(QStringLiteral(QUELLPAD_SCREENSHOT_DIR));
        const qreal scale = std::max(window->devicePixelRatioF(), minimumScale);
        QImage image(window->size() * scale, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(scale);
        image.fill(Qt::transparent);
        window->render(&image);
        if (QMenu* menu = window->actionsMenu(); menu && menu->isVisible()) {
            // A popup is a window of its own; draw it where it stands over the panel.
            QPainter painter(&image);
            painter.drawPixmap(menu->geometry().topLeft() - window->geometry().topLeft(), menu->grab());
        }
        const QString suffix = window->devicePixelRatioF() > 1 ? QStringLiteral("-x%1").arg(window->devicePixelRatioF()) : QString();
        const QString path = QStringLiteral(QUELLPAD_SCREENSHOT_DIR "/%1%2.png").arg(name, suffix);
        EXPECT_TRUE(image.save(path)) << path.toStdString();
    }

    test::PanelRig rig;
    std::unique_ptr<QObject> owner;
    ClipboardPanelWindow* window = nullptr;
    QString jsonId, linkId, imageId, chineseId, sqlId;
};

TEST_F(ClipboardPanelWindowTest, OpensFocusedOnTheNewestItemAndTypingFiltersTheRows) {
    open();
    EXPECT_TRUE(QTest::qWaitFor([&] { return field()->hasFocus(); }));
    // A page or two (the list fills its height) and "Show More".
    const int loaded = int(rig.viewModel.clipboardItems().size());
    EXPECT_GE(loaded, 10);
    EXPECT_EQ(model()->rowCount(), loaded + 1);
    EXPECT_EQ(model()->rowKind(loaded), ClipboardResultListModel::RowKind::showMore);
    EXPECT_EQ(model()->selectedRow(), 0);
    EXPECT_EQ(window->resultList()->selectionModel()->currentIndex().row(), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return detailShows(jsonId); }));

    QTest::keyClicks(field(), QStringLiteral("needle"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return model()->rowCount() == 1 && !rig.viewModel.isLoading(); }));
    EXPECT_EQ(model()->data(model()->index(0), Qt::AccessibleTextRole).toString(), QStringLiteral("needle in a haystack"));

    // Ctrl+V stays with the field: the clipboard's text is searched for.
    field()->clear();
    QGuiApplication::clipboard()->setText(QStringLiteral("ssh deploy"));
    QTest::keyClick(field(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(field()->text(), QStringLiteral("ssh deploy"));
    ASSERT_TRUE(QTest::qWaitFor([&] {
        return model()->rowCount() == 1 && model()->data(model()->index(0)).toString() == QStringLiteral("ssh deploy@build-01.internal");
    }));

    QTest::keyClicks(field(), QStringLiteral("zzz"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return model()->rowCount() == 0 && !rig.viewModel.isLoading(); }));
    EXPECT_TRUE(window->listStatusLabel()->isVisible());
    EXPECT_EQ(window->listStatusLabel()->text(), QStringLiteral("No matching items"));
}

TEST_F(ClipboardPanelWindowTest, KeysMoveCopyCompleteAndEscapeClosesOneThingAtATime) {
    open();
    QTest::keyClick(field(), Qt::Key_Down);
    EXPECT_EQ(rig.viewModel.selectedIndex(), 1);
    EXPECT_EQ(window->resultList()->selectionModel()->currentIndex().row(), 1);
    QTest::keyClick(field(), Qt::Key_Up);
    EXPECT_EQ(rig.viewModel.selectedIndex(), 0);

    // Ghost completion: grey "SON" after "type:j", Tab takes it, Escape drops a ghost first.
    QTest::keyClicks(field(), QStringLiteral("type:j"));
    EXPECT_EQ(field()->ghost().ghostSuffix(), QStringLiteral("SON"));
    saveScreenshot(QStringLiteral("panel-ghost-completion"));
    QTest::keyClick(field(), Qt::Key_Tab);
    EXPECT_EQ(field()->text(), QStringLiteral("type:jSON")); // the typed part keeps its case
    EXPECT_EQ(QApplication::focusWidget(), field());
    ASSERT_TRUE(QTest::qWaitFor([&] { return rig.viewModel.searchText() == QStringLiteral("type:jSON"); }));

    // Filter suggestions: Escape closes them and leaves the panel open; the next Escape dismisses.
    field()->clear();
    QTest::keyClicks(field(), QStringLiteral(" :sq"));
    ASSERT_EQ(model()->contentMode(), ClipboardResultListContentMode::filterSuggestions);
    EXPECT_EQ(model()->data(model()->index(0)).toString(), QStringLiteral("SQL"));
    QTest::keyClick(field(), Qt::Key_Escape);
    EXPECT_EQ(model()->contentMode(), ClipboardResultListContentMode::history);
    EXPECT_TRUE(window->isVisible());
    QTest::keyClick(field(), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(field()->text().isEmpty());

    // Return copies the selected row and closes the panel.
    open();
    QTest::keyClick(field(), Qt::Key_Down);
    QTest::keyClick(field(), Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->isVisible(); }));
    EXPECT_EQ(rig.manager->used, std::vector<QString>{linkId});
}

TEST_F(ClipboardPanelWindowTest, TheGhostLeavesWhenTheCaretMovesOrAnInputMethodComposes) {
    open();
    QTest::keyClicks(field(), QStringLiteral("after:ye"));
    EXPECT_EQ(field()->ghost().ghostSuffix(), QStringLiteral("sterday"));
    QTest::keyClick(field(), Qt::Key_Left);
    EXPECT_FALSE(field()->ghost().isShowingGhost());
    QTest::keyClick(field(), Qt::Key_End);
    QTest::keyClicks(field(), QStringLiteral("s"));
    EXPECT_EQ(field()->ghost().ghostSuffix(), QStringLiteral("terday"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return rig.viewModel.searchText() == QStringLiteral("after:yes"); }));

    // While an input method composes, the ghost goes and the uncommitted text is not
    // searched; the committed text is.
    QInputMethodEvent composing(QStringLiteral("t"), {});
    QApplication::sendEvent(field(), &composing);
    EXPECT_FALSE(field()->ghost().isShowingGhost());
    EXPECT_EQ(rig.viewModel.searchText(), QStringLiteral("after:yes"));
    QInputMethodEvent committed;
    committed.setCommitString(QStringLiteral("t"));
    QApplication::sendEvent(field(), &committed);
    EXPECT_EQ(rig.viewModel.searchText(), QStringLiteral("after:yest"));
    EXPECT_EQ(field()->ghost().ghostSuffix(), QStringLiteral("erday"));
}

TEST_F(ClipboardPanelWindowTest, TheDetailPaneShowsPrettyColouredJsonAndCtrlFShowsTheOriginal) {
    open();
    ASSERT_TRUE(QTest::qWaitFor([&] { return detailShows(jsonId) && window->detailModel()->presentation().isFormatted; }));
    QPlainTextEdit* text = window->detailPane()->textView();
    EXPECT_TRUE(text->isVisible());
    EXPECT_TRUE(text->toPlainText().startsWith(QStringLiteral("{\n  \"release\" : {\n    \"name\" : \"Quellpad\"")));
    // The key on the third line is coloured differently from the punctuation around it.
    const QTextBlock keyLine = text->document()->findBlockByNumber(2);
    EXPECT_FALSE(keyLine.layout()->formats().isEmpty());
    EXPECT_EQ(window->detailFormattedText(jsonId), text->toPlainText());
    saveScreenshot(QStringLiteral("panel-json-detail-en-light"));

    QTest::keyClick(field(), Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return detailShows(jsonId) && !window->detailModel()->presentation().isFormatted; }));
    EXPECT_EQ(text->toPlainText(), jsonText);
    EXPECT_FALSE(window->detailFormattedText(jsonId));

    // An image: decoded to the pane, with its recognised text.
    rig.viewModel.select(2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return detailShows(imageId); }));
    EXPECT_TRUE(window->detailPane()->imageView()->isVisible());
    const QPixmap shown = window->detailPane()->imageView()->pixmap();
    EXPECT_FALSE(shown.isNull());
    EXPECT_LE(shown.width(), window->detailPane()->width() * window->devicePixelRatioF());
    EXPECT_EQ(window->detailPane()->recognizedTextView()->toPlainText(), QStringLiteral("Q3 report"));
    saveScreenshot(QStringLiteral("panel-image-detail-en-light"));

    // Deleted from the command line while listed: the pane says so instead of showing stale text.
    rig.history->contents.erase(chineseId);
    rig.viewModel.select(3);
    ASSERT_TRUE(QTest::qWaitFor([&] { return detailShows(chineseId); }));
    EXPECT_TRUE(window->detailPane()->placeholder()->isVisible());
    EXPECT_EQ(window->detailPane()->placeholder()->text(), QStringLiteral("This item is no longer available."));
}

TEST_F(ClipboardPanelWindowTest, TheActionsMenuFollowsTheItemKind) {
    open();
    const QStringList link = menuFor(linkId);
    EXPECT_TRUE(link.contains(QStringLiteral("Open Link")));
    EXPECT_FALSE(link.contains(QStringLiteral("Recognize Text")));
    EXPECT_FALSE(link.contains(QStringLiteral("Format")) || link.contains(QStringLiteral("Show Original")));

    const QStringList image = menuFor(imageId);
    EXPECT_TRUE(image.contains(QStringLiteral("Recognize Text")));
    EXPECT_FALSE(image.contains(QStringLiteral("Open Link")));

    const QStringList json = menuFor(jsonId);
    EXPECT_TRUE(json.contains(QStringLiteral("Show Original")));
    EXPECT_EQ(json.first(), QStringLiteral("Copy"));
    for (const char* entry : {"Copy as Plain Text", "Open With Default App", "Save…", "Pin to Floating Window", "Delete"}) {
        EXPECT_TRUE(json.contains(QString::fromUtf8(entry))) << entry;
    }
    EXPECT_FALSE(menuFor(chineseId).contains(QStringLiteral("Format")));

    // Ctrl+K opens the same menu at the selected row; its Delete removes that row.
    rig.viewModel.select(1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return detailShows(linkId); }));
    QTest::keyClick(field(), Qt::Key_K, Qt::ControlModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->actionsMenu() && window->actionsMenu()->isVisible(); }));
    EXPECT_TRUE(menuEntries().contains(QStringLiteral("Open Link")));
    const QRect row = window->resultList()->visualRect(model()->index(1));
    EXPECT_TRUE(window->actionsMenu()->geometry().contains(window->resultList()->viewport()->mapToGlobal(row.center())));
    saveScreenshot(QStringLiteral("panel-actions-menu-en-light"));
    for (QAction* action : window->actionsMenu()->actions()) {
        if (action->text() == QStringLiteral("Delete")) action->trigger();
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return !rig.manager->deleted.empty(); }));
    EXPECT_EQ(rig.manager->deleted, std::vector<QString>{linkId});
}

TEST_F(ClipboardPanelWindowTest, RemembersWhereTheUserMovedItWhileThatIsOnAScreen) {
    const QSize fits(500, 400); // smaller than the offscreen screen, so nothing is clamped
    open(fits);
    const QRect screen = window->screen()->availableGeometry();
    // Centred up to the window frame's margins, which the window manager adds after showing.
    auto isCentred = [&] { return (window->frameGeometry().center() - screen.center()).manhattanLength() <= 8; };
    EXPECT_TRUE(isCentred());

    window->move(screen.topLeft() + QPoint(30, 40)); // as the user drags it
    QTest::keyClick(field(), Qt::Key_Escape);
    const auto stored = rig.defaults.dictionaryValue(PreferenceKeys::clipboardPanelPosition);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->value(QStringLiteral("x")).toInt(), window->frameGeometry().x());

    open(fits);
    EXPECT_EQ(window->frameGeometry().topLeft(), screen.topLeft() + QPoint(30, 40));
    QTest::keyClick(field(), Qt::Key_Escape);

    // A spot on a screen that is gone: centred again.
    rig.defaults.set(PreferenceKeys::clipboardPanelPosition,
                     QVariantMap{{QStringLiteral("x"), -50000.0}, {QStringLiteral("y"), -50000.0}});
    open(fits);
    EXPECT_TRUE(isCentred());
}

TEST_F(ClipboardPanelWindowTest, FollowsTheLanguageAndNamesEveryPartForAssistiveTools) {
    open();
    EXPECT_EQ(window->accessibleName(), QStringLiteral("Clipboard History"));
    EXPECT_EQ(field()->accessibleName(), QStringLiteral("Search clipboard history"));
    EXPECT_EQ(window->resultList()->accessibleName(), QStringLiteral("Clipboard history"));
    EXPECT_EQ(window->detailPane()->accessibleName(), QStringLiteral("Item details"));
    EXPECT_EQ(window->footerLabel()->accessibleName(), QStringLiteral("Status"));
    EXPECT_EQ(window->footerLabel()->text(), QStringLiteral("Click or Return to copy, Shift+Return for plain text"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return detailShows(jsonId); }));
    saveScreenshot(QStringLiteral("panel-en-light"));
    saveScreenshot(QStringLiteral("panel-en-light-hidpi"), 2);

    rig.defaults.set(PreferenceKeys::appLanguage, QStringLiteral("zh-Hans"));
    EXPECT_EQ(field()->placeholderText(), QStringLiteral("搜索剪贴板历史"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("剪贴板历史"));
    EXPECT_EQ(window->footerLabel()->text(), QStringLiteral("单击或按 Return 复制，Shift+Return 复制为纯文本"));
    EXPECT_EQ(model()->data(model()->index(model()->rowCount() - 1)).toString(), QStringLiteral("显示更多"));
    rig.viewModel.select(3);
    ASSERT_TRUE(QTest::qWaitFor([&] { return detailShows(chineseId); }));
    saveScreenshot(QStringLiteral("panel-zh-light"));

    QApplication::setPalette(test::darkPalette());
    rig.viewModel.select(0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return detailShows(jsonId); }));
    saveScreenshot(QStringLiteral("panel-zh-dark"));
    rig.defaults.set(PreferenceKeys::appLanguage, QStringLiteral("en"));
    EXPECT_EQ(field()->placeholderText(), QStringLiteral("Search clipboard history"));
    saveScreenshot(QStringLiteral("panel-json-detail-en-dark"));
}

TEST_F(ClipboardPanelWindowTest, ScrollingNearTheEndLoadsTheNextPage) {
    open();
    window->resize(700, 420); // fewer rows visible than loaded
    // The list fills its height first: pages load until the visible bottom is far enough from the end.
    auto rowsBelow = [&] {
        return window->resultList()->rowsBelowVisibleBottom(int(rig.viewModel.clipboardItems().size()) - 1);
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return !rig.viewModel.isLoading() && rowsBelow() > int(autoLoadMoreThresholdRows); }));
    const std::size_t loaded = rig.viewModel.clipboardItems().size();
    ASSERT_TRUE(rig.viewModel.canLoadMore());
    window->resultList()->scrollToBottom();
    ASSERT_TRUE(QTest::qWaitFor([&] { return rig.viewModel.clipboardItems().size() > loaded; }));
    EXPECT_EQ(rig.viewModel.selectedIndex(), 0); // loading more does not move the selection
}

} // namespace
} // namespace quellpad
