// The classification window of the real app, read through the accessibility bus as a
// screen reader reads it: `quellpad classify --window` opens it, and a language change made from
// the command line re-translates it while it is open.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "support/AppProcess.h"
#include "support/GtkEntryWindow.h"
#include "support/TestSupport.h"

namespace quellpad {
namespace {

class ClassificationEndToEndTest : public ::testing::Test {
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

    // The names of the window's tabs, as the bridge reports them.
    static QStringList tabNames() {
        const QString json = test::runTool(QStringLiteral("/usr/bin/python3"),
                                           {QStringLiteral(QUELLPAD_TEST_SUPPORT_SOURCE_DIR "/atspi_tree.py"),
                                            QStringLiteral("quellpad")});
        QStringList names;
        for (const QJsonValue& value : QJsonDocument::fromJson(json.toUtf8()).array()) {
            const QJsonObject object = value.toObject();
            if (object.value(QStringLiteral("role")).toString() == QStringLiteral("page tab")) {
                names << object.value(QStringLiteral("name")).toString();
            }
        }
        return names;
    }
};

TEST_F(ClassificationEndToEndTest, TheAppOpensTheWindowAndAConfigChangeTranslatesItAtOnce) {
    const test::CliResult open = cli.spawn({QStringLiteral("classify"), QStringLiteral("--window")});
    ASSERT_EQ(open.exitCode, 0) << open.err.toStdString();
    ASSERT_TRUE(app.waitForStatus(
        [](const QJsonObject& status) { return status.value(QStringLiteral("classificationVisible")).toBool(); }));
    const QStringList english{QStringLiteral("Classifications"), QStringLiteral("Rules"), QStringLiteral("Test")};
    QStringList seen;
    EXPECT_TRUE(test::pollUntil([&] { return (seen = tabNames()) == english; }, 10000)) << seen.join(u'|').toStdString();
    test::saveScreenshot(QStringLiteral("classification-on-display-en"));

    const test::CliResult set =
        cli.spawn({QStringLiteral("config"), QStringLiteral("set"), QStringLiteral("AppLanguage"), QStringLiteral("zh-Hans")});
    ASSERT_EQ(set.exitCode, 0) << set.err.toStdString();
    const QStringList chinese{QStringLiteral("分类项"), QStringLiteral("规则"), QStringLiteral("测试")};
    EXPECT_TRUE(test::pollUntil([&] { return (seen = tabNames()) == chinese; }, 3000)) << seen.join(u'|').toStdString();
    test::saveScreenshot(QStringLiteral("classification-on-display-zh-Hans"));
}

} // namespace
} // namespace quellpad
