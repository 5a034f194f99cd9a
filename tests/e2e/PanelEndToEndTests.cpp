// The panel of the real app on the test desktop, driven as a user drives it: the
// shortcut and keys through xdotool, the windows read through the accessibility bus
// (what a screen reader sees), the clipboard through xclip. Screenshots of each state
// go to the build folder (screenshots/).
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStandardPaths>
#include <QThread>

#include "settings/PreferenceKeys.h"
#include "support/AppProcess.h"
#include "support/TestSupport.h"
#include "support/GtkEntryWindow.h"

namespace quellpad {
namespace {

struct Accessible {
    QString role;
    QString name;
    QStringList states;
    QString text;
};

class PanelEndToEndTest : public ::testing::Test {
protected:
    test::CliHarness cli;
    test::AppProcess app{cli};
    QStringList ids; // oldest first

    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("DISPLAY") || QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty() ||
            !test::canRunGtkEntryWindow()) {
            GTEST_SKIP() << "needs an X display, xdotool and python3-gi (scripts/test.sh provides them)";
        }
        // Qt speaks to the accessibility bus only when asked to.
        cli.setEnvironment("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
        for (const QByteArray& text : {QByteArray("alpha one"), QByteArray("beta two"), QByteArray("{\"gamma\": [1, 2, 3]}")}) {
            const test::CliResult added = cli.spawn({QStringLiteral("add")}, text);
            ASSERT_EQ(added.exitCode, 0) << added.err.toStdString();
            ids << QString::fromUtf8(added.out).trimmed();
        }
        ASSERT_TRUE(app.start()) << app.output().toStdString();
    }

    static void key(const QString& keys) {
        // One argument per key: "Down Return" is two keys.
        test::runTool(QStringLiteral("xdotool"), QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("40")} +
                                                     keys.split(QLatin1Char(' ')));
    }
    static void type(const QString& text) {
        test::runTool(QStringLiteral("xdotool"), {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("40"), text});
    }
    bool panelVisibleBecomes(bool visible) const {
        return app.waitForStatus([visible](const QJsonObject& status) {
            return status.value(QStringLiteral("panelVisible")).toBool() == visible;
        });
    }
    static std::vector<Accessible> accessibles() {
        const QString json = test::runTool(QStringLiteral("/usr/bin/python3"),
                                           {QStringLiteral(QUELLPAD_TEST_SUPPORT_SOURCE_DIR "/atspi_tree.py"),
                                            QStringLiteral("quellpad")});
        std::vector<Accessible> result;
        for (const QJsonValue& value : QJsonDocument::fromJson(json.toUtf8()).array()) {
            const QJsonObject object = value.toObject();
            Accessible accessible{object.value(QStringLiteral("role")).toString(),
                                  object.value(QStringLiteral("name")).toString(), {},
                                  object.value(QStringLiteral("text")).toString()};
            for (const QJsonValue& state : object.value(QStringLiteral("states")).toArray()) {
                accessible.states << state.toString();
            }
            result.push_back(accessible);
        }
        return result;
    }
    // The rows as a screen reader reads them: their names, and which is selected.
    static std::pair<QStringList, QString> rows() {
        QStringList names;
        QString selected;
        for (const Accessible& accessible : accessibles()) {
            if (accessible.role != QStringLiteral("list item") || !accessible.states.contains(QStringLiteral("showing"))) {
                continue;
            }
            names << accessible.name;
            if (accessible.states.contains(QStringLiteral("selected"))) selected = accessible.name;
        }
        return {names, selected};
    }
    static QString clipboardText() {
        return test::runTool(QStringLiteral("xclip"), {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard")});
    }
    QJsonArray listed() const {
        // One JSON object per line.
        const test::CliResult result = cli.run({QStringLiteral("list"), QStringLiteral("--json")});
        QJsonArray items;
        for (const QByteArray& line : result.out.split('\n')) {
            if (!line.trimmed().isEmpty()) items.append(QJsonDocument::fromJson(line).object());
        }
        return items;
    }
    void openPanel() {
        key(QStringLiteral("super+shift+v"));
        ASSERT_TRUE(panelVisibleBecomes(true)) << app.output().toStdString();
        // Keys go to the window the window manager has focused, which follows the mapping.
        ASSERT_TRUE(test::pollUntil([] {
            return test::runTool(QStringLiteral("xdotool"), {QStringLiteral("getactivewindow"), QStringLiteral("getwindowname")}) ==
                   QStringLiteral("Clipboard History");
        })) << "the panel never got the focus";
    }
};

TEST_F(PanelEndToEndTest, TheShortcutOpensASearchablePanelAndReturnCopiesTheChosenItem) {
    test::GtkEntryWindow target(QStringLiteral("Quellpad panel target"));
    QString error;
    ASSERT_TRUE(target.start(&error)) << error.toStdString();
    openPanel();

    // The search field has the focus and the newest item is selected.
    ASSERT_TRUE(test::pollUntil([] {
        for (const Accessible& accessible : accessibles()) {
            if (accessible.name == QStringLiteral("Search clipboard history") && accessible.states.contains(QStringLiteral("focused"))) {
                return true;
            }
        }
        return false;
    })) << "search field not focused";
    ASSERT_TRUE(test::pollUntil([] { return rows().first.size() == 3; })) << rows().first.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(rows().second.contains(QStringLiteral("gamma"))) << rows().second.toStdString();
    test::saveScreenshot(QStringLiteral("e2e-panel-open"));

    // Typing filters the rows.
    type(QStringLiteral("beta"));
    EXPECT_TRUE(test::pollUntil([] { return rows().first == QStringList{QStringLiteral("beta two")}; }))
        << rows().first.join(QLatin1Char('|')).toStdString();
    test::saveScreenshot(QStringLiteral("e2e-panel-filtered"));
    key(QStringLiteral("ctrl+a BackSpace"));
    ASSERT_TRUE(test::pollUntil([] { return rows().first.size() == 3; }));

    // Down, then Return: the second item goes on the clipboard and to the top, with one more use.
    key(QStringLiteral("Down"));
    EXPECT_TRUE(test::pollUntil([] { return rows().second == QStringLiteral("beta two"); })) << rows().second.toStdString();
    key(QStringLiteral("Return"));
    EXPECT_TRUE(panelVisibleBecomes(false));
    EXPECT_TRUE(test::pollUntil([] { return clipboardText() == QStringLiteral("beta two"); })) << clipboardText().toStdString();
    EXPECT_TRUE(test::pollUntil([&] {
        const QJsonArray items = listed();
        return !items.isEmpty() && items[0].toObject().value(QStringLiteral("id")).toString() == ids[1] &&
               items[0].toObject().value(QStringLiteral("accessCount")).toInt() == 1;
    })) << QJsonDocument(listed()).toJson().toStdString();
    EXPECT_EQ(listed().size(), 3) << "the copy back is not captured as a new item";
    EXPECT_EQ(test::activeWindowId(), target.windowId()) << "the previous window has the focus again";
    EXPECT_EQ(target.text(), QString()) << "nothing is typed without auto-paste";

    // The shortcut again, twice: open, then hide.
    openPanel();
    key(QStringLiteral("super+shift+v"));
    EXPECT_TRUE(panelVisibleBecomes(false));
}

TEST_F(PanelEndToEndTest, WithAutoPasteReturnTypesTheItemIntoThePreviousWindow) {
    ASSERT_EQ(cli.run({QStringLiteral("config"), QStringLiteral("set"), PreferenceKeys::directPasteReturnKeyAutoPasteEnabled,
                       QStringLiteral("true")})
                  .exitCode,
              0);
    test::GtkEntryWindow target(QStringLiteral("Quellpad auto-paste target"));
    QString error;
    ASSERT_TRUE(target.start(&error)) << error.toStdString();
    openPanel();
    ASSERT_TRUE(test::pollUntil([] { return rows().first.size() == 3; }));
    key(QStringLiteral("Down Down Return"));
    EXPECT_TRUE(target.waitForText(QStringLiteral("alpha one"))) << target.text().toStdString() << app.output().toStdString();
    EXPECT_TRUE(panelVisibleBecomes(false));
}

TEST_F(PanelEndToEndTest, CtrlDeleteDeletesTheSelectedRowAndTheNextTakesItsPlace) {
    openPanel();
    ASSERT_TRUE(test::pollUntil([] { return rows().first.size() == 3; }));
    key(QStringLiteral("Down ctrl+Delete"));
    EXPECT_TRUE(test::pollUntil([] { return rows().first.size() == 2; })) << rows().first.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(rows().second, QStringLiteral("alpha one"));
    EXPECT_TRUE(test::pollUntil([&] { return listed().size() == 2; }));
    for (const QJsonValue& item : listed()) {
        EXPECT_NE(item.toObject().value(QStringLiteral("id")).toString(), ids[1]);
    }
    // Escape closes the panel; the next opening starts from a fresh, empty search.
    key(QStringLiteral("Escape"));
    EXPECT_TRUE(panelVisibleBecomes(false));
}

TEST_F(PanelEndToEndTest, TwentyQuickPressesOfTheShortcutLeaveAWorkingPanel) {
    QStringList presses;
    for (int i = 0; i < 20; ++i) presses << QStringLiteral("super+shift+v");
    test::runTool(QStringLiteral("xdotool"), QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("15")} +
                                                 presses);
    // An even number of presses: closed, and the app still answers.
    EXPECT_TRUE(panelVisibleBecomes(false));
    openPanel();
    EXPECT_TRUE(test::pollUntil([] { return rows().first.size() == 3; })) << rows().first.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(rows().second.contains(QStringLiteral("gamma"))) << rows().second.toStdString();
}

} // namespace
} // namespace quellpad
