// The settings window and the first-run guide of the real app, read through the
// accessibility bus as a screen reader reads them and driven with xdotool as a user
// would: a second launch opens them, a language change made from the command line
// re-translates them while open, and a shortcut recorded in the General page is
// stored and works.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStandardPaths>
#include <QThread>

#include <QProcess>
#include <QRegularExpression>

#include "hotkey/KeyCombo.h"
#include "settings/PreferenceKeys.h"
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
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) {
            GTEST_SKIP() << "needs xdotool (scripts/test.sh provides it)";
        }
        cli.setEnvironment("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
        // One installed application, so the App Filter page shows a name for its id.
        const QString applications = cli.home() + QStringLiteral("/share");
        ASSERT_TRUE(QDir().mkpath(applications + QStringLiteral("/applications")));
        ASSERT_TRUE(test::writeFile(applications + QStringLiteral("/applications/org.example.Editor.desktop"),
                                    "[Desktop Entry]\nType=Application\nName=Example Editor\nIcon=accessories-text-editor\n"));
        cli.setEnvironment("XDG_DATA_HOME", applications);
    }

    static QJsonArray accessibles() {
        const QString json = test::runTool(QStringLiteral("/usr/bin/python3"),
                                           {QStringLiteral(QUELLPAD_TEST_SUPPORT_SOURCE_DIR "/atspi_tree.py"),
                                            QStringLiteral("quellpad")});
        return QJsonDocument::fromJson(json.toUtf8()).array();
    }
    // The first accessible on screen whose name matches; an empty object when none.
    static QJsonObject showing(const std::function<bool(const QString& name)>& matches) {
        for (const QJsonValue& value : accessibles()) {
            const QJsonObject object = value.toObject();
            if (object.value(QStringLiteral("states")).toArray().contains(QStringLiteral("showing")) &&
                matches(object.value(QStringLiteral("name")).toString())) {
                return object;
            }
        }
        return {};
    }
    static QJsonObject showingNamed(const QString& name) {
        return showing([&](const QString& candidate) { return candidate == name; });
    }
    static QJsonObject waitForShowing(const std::function<bool(const QString& name)>& matches) {
        QJsonObject found;
        test::pollUntil([&] { return !(found = showing(matches)).isEmpty(); }, 10000);
        return found;
    }
    static void xdotool(const QStringList& arguments) {
        QProcess process;
        process.start(QStringLiteral("xdotool"), arguments);
        ASSERT_TRUE(process.waitForFinished(10000));
        ASSERT_EQ(process.exitCode(), 0) << arguments.join(u' ').toStdString();
    }
    // Clicks the middle of the accessible named name once it is on screen.
    static void click(const std::function<bool(const QString& name)>& matches, const QString& what) {
        const QJsonArray box = waitForShowing(matches).value(QStringLiteral("extents")).toArray();
        ASSERT_EQ(box.size(), 4) << "nothing on screen for " << what.toStdString();
        xdotool({QStringLiteral("mousemove"), QString::number(box[0].toInt() + box[2].toInt() / 2),
                 QString::number(box[1].toInt() + box[3].toInt() / 2), QStringLiteral("click"), QStringLiteral("1")});
    }
    static void clickNamed(const QString& name) {
        click([&](const QString& candidate) { return candidate == name; }, name);
    }
    bool statusBecomes(const char* key, const QJsonValue& value) const {
        return app.waitForStatus(
            [&](const QJsonObject& status) { return status.value(QLatin1String(key)) == value; });
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

    static QString xdotoolOutput(const QStringList& arguments) { return test::runTool(QStringLiteral("xdotool"), arguments); }

    // Opens the window with a second launch and gives it the keyboard (the page list has the focus).
    void openSettings() {
        const test::CliResult second = cli.spawn({});
        ASSERT_EQ(second.exitCode, 0) << second.err.toStdString();
        ASSERT_TRUE(app.waitForStatus(
            [](const QJsonObject& status) { return status.value(QStringLiteral("settingsVisible")).toBool(); }));
        QString id;
        ASSERT_TRUE(test::pollUntil([&] {
            id = xdotoolOutput({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                          QStringLiteral("^Quellpad")})
                     .split(u'\n', Qt::SkipEmptyParts)
                     .value(0);
            return !id.isEmpty();
        }));
        xdotoolOutput({QStringLiteral("windowactivate"), QStringLiteral("--sync"), id});
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
    ASSERT_TRUE(app.start()) << app.output().toStdString();
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
    ASSERT_TRUE(app.start()) << app.output().toStdString();
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

TEST_F(SettingsEndToEndTest, AShortcutRecordedInTheGeneralPageIsStoredAndOpensThePanel) {
    ASSERT_TRUE(app.start()) << app.output().toStdString();
    ASSERT_EQ(cli.spawn({}).exitCode, 0);
    ASSERT_TRUE(statusBecomes("settingsVisible", true));
    auto isRecorder = [](const QString& name) { return name.startsWith(QStringLiteral("Clipboard History: ")); };
    ASSERT_EQ(waitForShowing(isRecorder).value(QStringLiteral("name")).toString(),
              QStringLiteral("Clipboard History: Shift+Super+V"));
    test::saveScreenshot(QStringLiteral("settings-general-on-display-en"));

    // While recording, the current shortcut is released: pressing it records it instead
    // of opening the panel.
    click(isRecorder, QStringLiteral("the recorder"));
    EXPECT_FALSE(waitForShowing([](const QString& name) {
                     return name == QStringLiteral("Clipboard History: Press hotkey combination...");
                 }).isEmpty());
    ASSERT_TRUE(statusBecomes("hotkey", QString()));
    xdotool({QStringLiteral("key"), QStringLiteral("super+shift+v")});
    ASSERT_TRUE(statusBecomes("hotkey", QStringLiteral("Shift+Super+V")));
    EXPECT_FALSE(app.status().value(QStringLiteral("panelVisible")).toBool());

    click(isRecorder, QStringLiteral("the recorder"));
    ASSERT_TRUE(statusBecomes("hotkey", QString()));
    xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+k")});
    ASSERT_TRUE(statusBecomes("hotkey", QStringLiteral("Ctrl+Alt+K")));
    const test::CliResult stored =
        cli.spawn({QStringLiteral("config"), QStringLiteral("get"), PreferenceKeys::clipboardHistoryHotkey});
    EXPECT_EQ(KeyCombo::fromJson(stored.out.trimmed()), (KeyCombo{40, ModifierFlag::control | ModifierFlag::option}))
        << stored.out.toStdString();
    EXPECT_FALSE(showingNamed(QStringLiteral("Clipboard History: Ctrl+Alt+K")).isEmpty());

    ASSERT_EQ(cli.spawn({QStringLiteral("config"), QStringLiteral("set"), QStringLiteral("AppLanguage"),
                         QStringLiteral("zh-Hans")})
                  .exitCode,
              0);
    EXPECT_FALSE(waitForShowing([](const QString& name) { return name == QStringLiteral("恢复默认"); }).isEmpty());
    test::saveScreenshot(QStringLiteral("settings-general-on-display-zh-Hans"));

    xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+k")});
    EXPECT_TRUE(statusBecomes("panelVisible", true));
}

TEST_F(SettingsEndToEndTest, AFirstRunShowsTheGuideUntilItIsFinished) {
    app.setFirstRun(true);
    ASSERT_TRUE(app.start()) << app.output().toStdString();
    ASSERT_TRUE(statusBecomes("onboardingVisible", true));
    const QRegularExpression stepPattern(QStringLiteral("^Step 1 of (\\d)$"));
    const QString firstStep = waitForShowing([&](const QString& name) { return stepPattern.match(name).hasMatch(); })
                                  .value(QStringLiteral("name"))
                                  .toString();
    ASSERT_FALSE(firstStep.isEmpty());
    const int steps = stepPattern.match(firstStep).captured(1).toInt();
    EXPECT_GE(steps, 3);
    EXPECT_FALSE(showingNamed(QStringLiteral("Clipboard History: Shift+Super+V")).isEmpty());
    for (int step = 1; step <= steps; ++step) {
        ASSERT_FALSE(waitForShowing([&](const QString& name) {
                         return name == QStringLiteral("Step %1 of %2").arg(step).arg(steps);
                     }).isEmpty());
        if (steps == 4 && step == 3) {
            // A desktop without a tray (the test display has none) gets the page on how to get in.
            EXPECT_FALSE(showing([](const QString& name) {
                             return name.startsWith(QStringLiteral("No system tray is available on this desktop"));
                         }).isEmpty());
        }
        test::saveScreenshot(QStringLiteral("onboarding-%1-en").arg(step));
        if (step < steps) clickNamed(QStringLiteral("Continue"));
    }
    ASSERT_EQ(cli.spawn({QStringLiteral("config"), QStringLiteral("set"), QStringLiteral("AppLanguage"),
                         QStringLiteral("zh-Hans")})
                  .exitCode,
              0);
    for (int step = steps; step >= 1; --step) {
        ASSERT_FALSE(waitForShowing([&](const QString& name) {
                         return name == QStringLiteral("第 %1 步，共 %2 步").arg(step).arg(steps);
                     }).isEmpty());
        test::saveScreenshot(QStringLiteral("onboarding-%1-zh-Hans").arg(step));
        if (step > 1) clickNamed(QStringLiteral("上一步"));
    }

    // Closed unfinished, a second launch brings it back rather than the settings.
    xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
    ASSERT_TRUE(statusBecomes("onboardingVisible", false));
    ASSERT_EQ(cli.spawn({}).exitCode, 0);
    EXPECT_TRUE(statusBecomes("onboardingVisible", true));
    EXPECT_FALSE(app.status().value(QStringLiteral("settingsVisible")).toBool());

    for (int step = 1; step < steps; ++step) {
        ASSERT_FALSE(waitForShowing([&](const QString& name) {
                         return name == QStringLiteral("第 %1 步，共 %2 步").arg(step).arg(steps);
                     }).isEmpty());
        clickNamed(QStringLiteral("继续"));
    }
    clickNamed(QStringLiteral("开始使用"));
    ASSERT_TRUE(statusBecomes("onboardingVisible", false));
    const test::CliResult completed = cli.spawn(
        {QStringLiteral("config"), QStringLiteral("get"), QStringLiteral("DidCompleteOnboarding")});
    EXPECT_EQ(completed.out.trimmed(), QByteArray("true"));
    ASSERT_EQ(cli.spawn({}).exitCode, 0);
    EXPECT_TRUE(statusBecomes("settingsVisible", true));
    EXPECT_FALSE(app.status().value(QStringLiteral("onboardingVisible")).toBool());
}

} // namespace
} // namespace quellpad
