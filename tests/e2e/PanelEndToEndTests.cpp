// The real app's panel on the test display, driven with keys as a user would and
// read through AT-SPI as assistive tools see it; screenshots of each state checked go
// to the build folder (screenshots/e2e-*.png).
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QThread>

#include "support/AppProcess.h"
#include "support/AtspiTree.h"
#include "support/GtkEntryWindow.h"
#include "support/WindowScreenshot.h"

namespace quellpad {
namespace {

const QString appName = QStringLiteral("quellpad");
const QString listItem = QStringLiteral("list item");

class PanelEndToEndTest : public ::testing::Test {
protected:
    test::CliHarness cli;
    test::AppProcess app{cli};

    void SetUp() override { prepare(false); }

    void prepare(bool autoPaste) {
        if (qEnvironmentVariableIsEmpty("DISPLAY") || qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") ||
            QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) {
            GTEST_SKIP() << "needs the test desktop and xdotool (scripts/test.sh provides both)";
        }
        cli.setEnvironment("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", QStringLiteral("1"));
        // Oldest first: "alpha newest" ends up on top.
        for (const char* text : {"gamma oldest", "beta middle", "alpha newest"}) {
            const test::CliResult added = cli.spawn({QStringLiteral("add")}, text);
            ASSERT_EQ(added.exitCode, 0) << added.err.toStdString();
        }
        if (autoPaste) {
            const test::CliResult set = cli.spawn({QStringLiteral("config"), QStringLiteral("set"),
                                                   QStringLiteral("DirectPasteReturnKeyAutoPasteEnabled"), QStringLiteral("true")});
            ASSERT_EQ(set.exitCode, 0) << set.err.toStdString();
        }
        ASSERT_TRUE(app.start()) << app.output().toStdString();
    }

    static void key(const QString& keys) {
        QProcess xdotool;
        xdotool.start(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("30"), keys});
        ASSERT_TRUE(xdotool.waitForFinished(10000));
        ASSERT_EQ(xdotool.exitCode(), 0);
    }
    static void type(const QString& text) {
        QProcess xdotool;
        xdotool.start(QStringLiteral("xdotool"), {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("40"), text});
        ASSERT_TRUE(xdotool.waitForFinished(10000));
    }
    bool panelVisibleBecomes(bool visible) const {
        return app.waitForStatus([visible](const QJsonObject& status) {
            return status.value(QStringLiteral("panelVisible")).toBool() == visible;
        });
    }
    // Opens the panel with the shortcut and waits until its newest row is selected.
    QJsonArray openPanel() {
        key(QStringLiteral("super+shift+v"));
        EXPECT_TRUE(panelVisibleBecomes(true));
        return test::accessibleTreeWhen(appName, [](const QJsonArray& tree) {
            return test::accessibleHasState(tree, QStringLiteral("alpha newest"), QStringLiteral("selected"), listItem);
        });
    }
    static QStringList rows(const QJsonArray& tree) {
        QStringList names;
        for (const QJsonValue& node : tree) {
            if (node[QStringLiteral("role")].toString() == listItem) names << node[QStringLiteral("name")].toString();
        }
        return names;
    }
    QStringList history() const {
        QStringList previews;
        for (const QJsonObject& item : cli.spawn({QStringLiteral("list"), QStringLiteral("--json")}).jsonLines()) {
            previews << item[QStringLiteral("preview")].toString();
        }
        return previews;
    }
    static void screenshot(const QString& name) {
        const QString path = test::screenshotFolder() + QStringLiteral("/e2e-%1.png").arg(name);
        EXPECT_TRUE(test::saveWindowScreenshot(QStringLiteral("Clipboard History"), path)) << path.toStdString();
    }
};

TEST_F(PanelEndToEndTest, TheShortcutOpensTheFocusedPanelOnTheNewestItemAndTypingFilters) {
    QJsonArray tree = openPanel();
    ASSERT_TRUE(test::accessibleHasState(tree, QStringLiteral("alpha newest"), QStringLiteral("selected"), listItem))
        << QJsonDocument(tree).toJson().toStdString();
    EXPECT_EQ(rows(tree), (QStringList{QStringLiteral("alpha newest"), QStringLiteral("beta middle"), QStringLiteral("gamma oldest")}));
    EXPECT_TRUE(test::accessibleHasState(tree, QStringLiteral("Search clipboard history"), QStringLiteral("focused")));
    screenshot(QStringLiteral("panel-open"));

    type(QStringLiteral("beta"));
    tree = test::accessibleTreeWhen(appName, [](const QJsonArray& t) { return rows(t) == QStringList{QStringLiteral("beta middle")}; });
    EXPECT_EQ(rows(tree), QStringList{QStringLiteral("beta middle")});
    EXPECT_TRUE(test::accessibleHasState(tree, QStringLiteral("beta middle"), QStringLiteral("selected"), listItem));
    screenshot(QStringLiteral("panel-filtered"));

    key(QStringLiteral("Escape"));
    EXPECT_TRUE(panelVisibleBecomes(false));
}

TEST_F(PanelEndToEndTest, DownThenReturnCopiesTheSecondItemMovesItToTheTopAndCloses) {
    openPanel();
    key(QStringLiteral("Down"));
    ASSERT_FALSE(test::accessibleTreeWhen(appName, [](const QJsonArray& t) {
                     return test::accessibleHasState(t, QStringLiteral("beta middle"), QStringLiteral("selected"), listItem);
                 }).isEmpty());
    key(QStringLiteral("Return"));
    EXPECT_TRUE(panelVisibleBecomes(false));
    EXPECT_EQ(test::runTool(QStringLiteral("xclip"), {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard")}),
              QStringLiteral("beta middle"));
    const QDeadlineTimer deadline(10000);
    while (history().value(0) != QStringLiteral("beta middle") && !deadline.hasExpired()) {
        QThread::msleep(50); // the app records the use asynchronously; polled with a deadline
    }
    EXPECT_EQ(history(), (QStringList{QStringLiteral("beta middle"), QStringLiteral("alpha newest"), QStringLiteral("gamma oldest")}));
}

TEST_F(PanelEndToEndTest, CtrlDeleteDeletesTheSelectedRow) {
    openPanel();
    key(QStringLiteral("ctrl+Delete"));
    const QJsonArray tree = test::accessibleTreeWhen(appName, [](const QJsonArray& t) {
        return rows(t) == QStringList{QStringLiteral("beta middle"), QStringLiteral("gamma oldest")};
    });
    EXPECT_EQ(rows(tree), (QStringList{QStringLiteral("beta middle"), QStringLiteral("gamma oldest")}));
    EXPECT_TRUE(test::accessibleHasState(tree, QStringLiteral("beta middle"), QStringLiteral("selected"), listItem));
    screenshot(QStringLiteral("panel-after-delete"));
    EXPECT_EQ(history(), (QStringList{QStringLiteral("beta middle"), QStringLiteral("gamma oldest")}));
}

// Synthetic keys count as allowed once assistive technologies are enabled on the
// accessibility bus (org.a11y.Status IsEnabled); set for the test, restored after.
void setAccessibilityEnabled(bool enabled) {
    test::runTool(QStringLiteral("dbus-send"),
                  {QStringLiteral("--session"), QStringLiteral("--print-reply"), QStringLiteral("--dest=org.a11y.Bus"),
                   QStringLiteral("/org/a11y/bus"), QStringLiteral("org.freedesktop.DBus.Properties.Set"),
                   QStringLiteral("string:org.a11y.Status"), QStringLiteral("string:IsEnabled"),
                   QStringLiteral("variant:boolean:%1").arg(enabled ? QStringLiteral("true") : QStringLiteral("false"))});
}

class PanelAutoPasteEndToEndTest : public PanelEndToEndTest {
protected:
    void SetUp() override {
        if (!test::canRunGtkEntryWindow()) GTEST_SKIP() << "needs python3-gi with GTK 3";
        setAccessibilityEnabled(true);
        prepare(true);
    }
    void TearDown() override {
        app.stop();
        setAccessibilityEnabled(false);
    }
};

TEST_F(PanelAutoPasteEndToEndTest, ReturnTypesTheItemIntoTheEntryThatWasActiveBefore) {
    test::GtkEntryWindow target(QStringLiteral("Quellpad panel paste target"));
    QString error;
    ASSERT_TRUE(target.start(&error)) << error.toStdString();
    openPanel();
    key(QStringLiteral("Return"));
    EXPECT_TRUE(panelVisibleBecomes(false));
    EXPECT_TRUE(target.waitForText(QStringLiteral("alpha newest"), 10000)) << target.text().toStdString();
    EXPECT_EQ(test::activeWindowId(), target.windowId()); // the focus went back where it was
}

} // namespace
} // namespace quellpad
