// The panel shortcut of the real app on the test display: pressed with xdotool as a
// user would, held against another client, and restored from the settings file.
#include <gtest/gtest.h>

#include <QStandardPaths>

#include "hotkey/KeyCombo.h"
#include "platform/linux/JsonFileDefaultsStore.h"
#include "platform/linux/X11HotKeyService.h"
#include "settings/PreferenceKeys.h"
#include "support/AppProcess.h"
#include "support/GtkEntryWindow.h"

namespace quellpad {
namespace {

class HotkeyEndToEndTest : public ::testing::Test {
protected:
    test::CliHarness cli;
    test::AppProcess app{cli};

    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("DISPLAY") || QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) {
            GTEST_SKIP() << "needs an X display and xdotool (scripts/test.sh provides both)";
        }
    }

    static void key(const QString& keys) {
        QProcess xdotool;
        xdotool.start(QStringLiteral("xdotool"), {QStringLiteral("key"), keys});
        ASSERT_TRUE(xdotool.waitForFinished(10000));
        ASSERT_EQ(xdotool.exitCode(), 0);
    }
    bool panelVisibleBecomes(bool visible) const {
        return app.waitForStatus([visible](const QJsonObject& status) {
            return status.value(QStringLiteral("panelVisible")).toBool() == visible;
        });
    }
};

TEST_F(HotkeyEndToEndTest, SuperShiftVTogglesThePanelAlsoWithNumLockOn) {
    ASSERT_TRUE(app.start()) << app.output().toStdString();
    EXPECT_EQ(app.status().value(QStringLiteral("hotkey")).toString(), QStringLiteral("Shift+Super+V"));
    key(QStringLiteral("super+shift+v"));
    EXPECT_TRUE(panelVisibleBecomes(true));
    key(QStringLiteral("super+shift+v"));
    EXPECT_TRUE(panelVisibleBecomes(false));

    key(QStringLiteral("Num_Lock"));
    key(QStringLiteral("super+shift+v"));
    const bool shownWithNumLock = panelVisibleBecomes(true);
    key(QStringLiteral("Num_Lock"));
    EXPECT_TRUE(shownWithNumLock);

    // `quellpad toggle` does what the shortcut does.
    const test::CliResult toggled = cli.spawn({QStringLiteral("toggle")});
    EXPECT_EQ(toggled.exitCode, 0) << toggled.err.toStdString();
    EXPECT_TRUE(panelVisibleBecomes(false));
}

TEST_F(HotkeyEndToEndTest, TheGrabIsExclusiveWhileTheAppRunsAndReleasedAtTermination) {
    ASSERT_TRUE(app.start()) << app.output().toStdString();
    const HotKeyChord chord = KeyCombo::defaultClipboardHotkey().chord();
    std::unique_ptr<X11HotKeyService> other = X11HotKeyService::open();
    ASSERT_TRUE(other);
    EXPECT_EQ(other->registerHotKey(1, chord).status, 10); // BadAccess: the app holds it
    EXPECT_TRUE(app.stop());
    EXPECT_TRUE(other->registerHotKey(2, chord).succeeded());
}

TEST_F(HotkeyEndToEndTest, AStoredShortcutThatDoesNotDecodeIsReplacedByTheDefault) {
    {
        JsonFileDefaultsStore defaults(cli.settingsPath());
        defaults.set(PreferenceKeys::clipboardHistoryHotkey, QByteArray("{\"keyCode\": \"V\"}"));
    }
    ASSERT_TRUE(app.start()) << app.output().toStdString();
    EXPECT_EQ(app.status().value(QStringLiteral("hotkey")).toString(), QStringLiteral("Shift+Super+V"));
    EXPECT_TRUE(app.waitForOutput("Failed to load clipboard hotkey: ")) << app.output().toStdString();
    const test::CliResult stored =
        cli.run({QStringLiteral("config"), QStringLiteral("get"), PreferenceKeys::clipboardHistoryHotkey});
    EXPECT_EQ(KeyCombo::fromJson(stored.out.trimmed()), KeyCombo::defaultClipboardHotkey());
}

TEST_F(HotkeyEndToEndTest, ATakenShortcutIsLoggedAndTheAppKeepsRunning) {
    std::unique_ptr<X11HotKeyService> other = X11HotKeyService::open();
    ASSERT_TRUE(other);
    ASSERT_TRUE(other->registerHotKey(1, KeyCombo::defaultClipboardHotkey().chord()).succeeded());
    ASSERT_TRUE(app.start()) << app.output().toStdString();
    EXPECT_TRUE(app.waitForOutput("Failed to register hotkey ⇧⌘V: 10")) << app.output().toStdString();
    EXPECT_TRUE(app.waitForOutput("Failed to register default clipboard hotkey")) << app.output().toStdString();
    EXPECT_TRUE(app.status().value(QStringLiteral("ok")).toBool());
    EXPECT_TRUE(cli.spawn({QStringLiteral("toggle")}).exitCode == 0);
    EXPECT_EQ(app.status().value(QStringLiteral("hotkey")).toString(), QString());
}

} // namespace
} // namespace quellpad

namespace quellpad {
namespace {

class DirectPasteEndToEndTest : public HotkeyEndToEndTest {
protected:
    QString itemId;

    void SetUp() override {
        HotkeyEndToEndTest::SetUp();
        if (IsSkipped()) return;
        if (!test::canRunGtkEntryWindow()) GTEST_SKIP() << "needs python3-gi with GTK 3";
        const test::CliResult added = cli.spawn({QStringLiteral("add")}, "pasted by quellpad");
        ASSERT_EQ(added.exitCode, 0) << added.err.toStdString();
        itemId = QString::fromUtf8(added.out).trimmed();
        ASSERT_TRUE(app.start()) << app.output().toStdString();
    }
    // The user presses the shortcut over the window that has the focus.
    void openPanel() {
        key(QStringLiteral("super+shift+v"));
        ASSERT_TRUE(panelVisibleBecomes(true));
    }
    QString clipboardText() const {
        return test::runTool(QStringLiteral("xclip"), {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard")});
    }
};

TEST_F(DirectPasteEndToEndTest, ThePickIsTypedIntoTheWindowThePanelWasOpenedOver) {
    test::GtkEntryWindow target(QStringLiteral("Quellpad paste target"));
    QString error;
    ASSERT_TRUE(target.start(&error)) << error.toStdString();
    openPanel();
    // Another window takes the focus meanwhile, as the panel window itself will.
    test::GtkEntryWindow other(QStringLiteral("Quellpad other window"));
    ASSERT_TRUE(other.start(&error)) << error.toStdString();

    const test::CliResult pasted = cli.spawn({QStringLiteral("paste"), itemId});
    EXPECT_EQ(pasted.exitCode, 0) << pasted.err.toStdString() << app.output().toStdString();
    EXPECT_TRUE(target.waitForText(QStringLiteral("pasted by quellpad"))) << target.text().toStdString();
    EXPECT_EQ(other.text(), QString());
    EXPECT_EQ(test::activeWindowId(), target.windowId());
    EXPECT_TRUE(panelVisibleBecomes(false));
}

TEST_F(DirectPasteEndToEndTest, NothingIsTypedWhenThatWindowWasClosedMeanwhile) {
    auto target = std::make_unique<test::GtkEntryWindow>(QStringLiteral("Quellpad closed target"));
    QString error;
    ASSERT_TRUE(target->start(&error)) << error.toStdString();
    openPanel();
    target->close();
    test::GtkEntryWindow bystander(QStringLiteral("Quellpad bystander"));
    ASSERT_TRUE(bystander.start(&error)) << error.toStdString();

    const test::CliResult pasted = cli.spawn({QStringLiteral("paste"), itemId});
    EXPECT_EQ(pasted.exitCode, 1);
    EXPECT_TRUE(pasted.err.contains("Not pasted")) << pasted.err.toStdString();
    // The keystroke was never posted: nothing can arrive later either.
    EXPECT_EQ(bystander.text(), QString());
    EXPECT_EQ(clipboardText(), QStringLiteral("pasted by quellpad"));
}

} // namespace
} // namespace quellpad
