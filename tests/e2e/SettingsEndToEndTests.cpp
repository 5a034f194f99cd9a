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

} // namespace
} // namespace quellpad
