// The settings window of the real app, read through the accessibility bus as a screen
// reader reads it: a second launch opens it, and a language change made from the
// command line re-translates it while it is open.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStandardPaths>
#include <QThread>

#include "support/AppProcess.h"
#include "support/AtspiTree.h"
#include "support/TestSupport.h"
#include "support/GtkEntryWindow.h"

namespace quellpad {
namespace {

class SettingsEndToEndTest : public ::testing::Test {
protected:
    test::CliHarness cli;
    test::AppProcess app{cli};

    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("DISPLAY") || !test::canRunGtkEntryWindow()) {
            GTEST_SKIP() << "needs an X display and the accessibility bus (scripts/test.sh provides them)";
        }
        cli.setEnvironment("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
        // One installed application, so the App Filter page shows a name for its id.
        const QString applications = cli.home() + QStringLiteral("/share");
        ASSERT_TRUE(QDir().mkpath(applications + QStringLiteral("/applications")));
        ASSERT_TRUE(test::writeFile(applications + QStringLiteral("/applications/org.example.Editor.desktop"),
                                    "[Desktop Entry]\nType=Application\nName=Example Editor\nIcon=accessories-text-editor\n"));
        cli.setEnvironment("XDG_DATA_HOME", applications);
        ASSERT_TRUE(app.start()) << app.output().toStdString();
    }

    // The names of the first four list items on screen: the page list comes first
    // (combo boxes and other pages' lists follow, as the bridge reports them).
    static QStringList pageNames() {
        const QString json = test::runTool(QStringLiteral("/usr/bin/python3"),
                                           {QStringLiteral(QUELLPAD_TEST_SUPPORT_SOURCE_DIR "/atspi_tree.py"),
                                            QStringLiteral("quellpad")});
        QStringList names;
        for (const QJsonValue& value : QJsonDocument::fromJson(json.toUtf8()).array()) {
            const QJsonObject object = value.toObject();
            if (object.value(QStringLiteral("role")).toString() == QStringLiteral("list item") &&
                object.value(QStringLiteral("states")).toArray().contains(QStringLiteral("showing"))) {
                names << object.value(QStringLiteral("name")).toString();
            }
        }
        return names.mid(0, 4);
    }

    static QString xdotool(const QStringList& arguments) { return test::runTool(QStringLiteral("xdotool"), arguments); }

    // Opens the window with a second launch and gives it the keyboard (the page list has the focus).
    void openSettings() {
        const test::CliResult second = cli.spawn({});
        ASSERT_EQ(second.exitCode, 0) << second.err.toStdString();
        ASSERT_TRUE(app.waitForStatus(
            [](const QJsonObject& status) { return status.value(QStringLiteral("settingsVisible")).toBool(); }));
        QString id;
        ASSERT_TRUE(test::pollUntil([&] {
            id = xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                          QStringLiteral("^Quellpad")})
                     .split(u'\n', Qt::SkipEmptyParts)
                     .value(0);
            return !id.isEmpty();
        }));
        xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), id});
    }

    // Waits until the accessible with this name is on screen.
    static bool waitUntilShowing(const QString& name) {
        const QJsonArray tree = test::accessibleTreeWhen(QStringLiteral("quellpad"), [&](const QJsonArray& current) {
            return test::accessibleHasState(current, name, QStringLiteral("showing"));
        });
        return test::accessibleHasState(tree, name, QStringLiteral("showing"));
    }
};

TEST_F(SettingsEndToEndTest, ASecondLaunchOpensTheSettingsAndAConfigChangeTranslatesThemAtOnce) {
    const test::CliResult second = cli.spawn({});
    EXPECT_EQ(second.exitCode, 0) << second.err.toStdString();
    ASSERT_TRUE(app.waitForStatus(
        [](const QJsonObject& status) { return status.value(QStringLiteral("settingsVisible")).toBool(); }));
    const QStringList english{QStringLiteral("General"), QStringLiteral("Storage"), QStringLiteral("App Filter"),
                              QStringLiteral("Advanced")};
    QStringList seen;
    EXPECT_TRUE(test::pollUntil([&] { return (seen = pageNames()) == english; }, 10000)) << seen.join(u'|').toStdString();
    test::saveScreenshot(QStringLiteral("settings-on-display-en"));

    const test::CliResult set =
        cli.spawn({QStringLiteral("config"), QStringLiteral("set"), QStringLiteral("AppLanguage"), QStringLiteral("zh-Hans")});
    ASSERT_EQ(set.exitCode, 0) << set.err.toStdString();
    const QStringList chinese{QStringLiteral("通用"), QStringLiteral("存储"), QStringLiteral("应用过滤"), QStringLiteral("高级")};
    EXPECT_TRUE(test::pollUntil([&] { return (seen = pageNames()) == chinese; }, 2000)) << seen.join(u'|').toStdString();
    test::saveScreenshot(QStringLiteral("settings-on-display-zh-Hans"));
}

TEST_F(SettingsEndToEndTest, EveryPageOpensFromThePageListInBothLanguages) {
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) GTEST_SKIP() << "needs xdotool";
    openSettings();
    if (HasFatalFailure()) return;
    struct Page {
        const char* file;
        // A control only this page shows, in English and in Chinese.
        QString english;
        QString chinese;
    };
    const Page pages[] = {
        {"general", QStringLiteral("Language"), QStringLiteral("语言")},
        {"storage", QStringLiteral("Keep text for"), QStringLiteral("文本保留时长")},
        {"app-filter", QStringLiteral("Add App…"), QStringLiteral("添加应用…")},
        {"advanced", QStringLiteral("Rebuild Search Index"), QStringLiteral("重建搜索索引")},
    };
    // Added from the command line while the window is open: the list follows at once.
    for (const char* identifier : {"org.example.Editor", "org.example.Gone"}) {
        const test::CliResult added = cli.spawn({QStringLiteral("ignore"), QStringLiteral("add"), QLatin1String(identifier)});
        ASSERT_EQ(added.exitCode, 0) << added.err.toStdString();
    }
    for (const bool chinese : {false, true}) {
        if (chinese) {
            const test::CliResult set = cli.spawn(
                {QStringLiteral("config"), QStringLiteral("set"), QStringLiteral("AppLanguage"), QStringLiteral("zh-Hans")});
            ASSERT_EQ(set.exitCode, 0) << set.err.toStdString();
        }
        xdotool({QStringLiteral("key"), QStringLiteral("Home")});
        for (const Page& page : pages) {
            if (&page != &pages[0]) xdotool({QStringLiteral("key"), QStringLiteral("Down")});
            const QString marker = chinese ? page.chinese : page.english;
            EXPECT_TRUE(waitUntilShowing(marker)) << page.file << (chinese ? " zh-Hans" : " en");
            if (QLatin1String(page.file) == QLatin1String("app-filter")) {
                EXPECT_TRUE(waitUntilShowing(QStringLiteral("Example Editor")));
                EXPECT_TRUE(waitUntilShowing(chinese ? QStringLiteral("org.example.Gone（未安装）")
                                                     : QStringLiteral("org.example.Gone (not installed)")));
            }
            if (&page != &pages[0]) {
                test::saveScreenshot(QStringLiteral("settings-page-%1-%2")
                                         .arg(QLatin1String(page.file), chinese ? QStringLiteral("zh-Hans") : QStringLiteral("en")));
            }
        }
    }
}

} // namespace
} // namespace quellpad
