#include <gtest/gtest.h>

#include "support/CliHarness.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>

#include "settings/AppPreferences.h"
#include "platform/linux/JsonFileDefaultsStore.h"
#include "support/TestSupport.h"

namespace quellpad {
namespace {

struct CliResult {
    int exitCode = -1;
    QString out;
    QString err;
};

class IgnoreCommandTest : public ::testing::Test {
protected:
    test::CliHarness cli;

    void SetUp() override {
        QDir().mkpath(cli.home() + QStringLiteral("/system/applications"));
        test::writeFile(cli.home() + QStringLiteral("/system/applications/org.keepassxc.KeePassXC.desktop"),
                        "[Desktop Entry]\nType=Application\nName=KeePassXC\n");
        cli.setEnvironment("XDG_DATA_DIRS", cli.home() + QStringLiteral("/system"));
    }

    CliResult run(const QStringList& arguments, const QString& language = QStringLiteral("en")) const {
        {
            JsonFileDefaultsStore defaults(settingsPath());
            defaults.set(QStringLiteral("AppLanguage"), language);
        }
        const test::CliResult result = cli.run(QStringList{QStringLiteral("ignore")} + arguments);
        return {result.exitCode, QString::fromUtf8(result.out), QString::fromUtf8(result.err)};
    }
    QString settingsPath() const { return cli.settingsPath(); }
};

TEST_F(IgnoreCommandTest, AddListAndRemoveWorkOnTheStoredListAndRecordOptOuts) {
    CliResult result = run({QStringLiteral("add"), QStringLiteral("  org.example.Vault ")});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(result.out, QStringLiteral("Added to the ignore list: org.example.Vault\n"));
    result = run({QStringLiteral("add"), QStringLiteral("org.example.Vault")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, QStringLiteral("Already in the ignore list: org.example.Vault\n"));
    ASSERT_EQ(run({QStringLiteral("add"), QStringLiteral("org.keepassxc.KeePassXC")}).exitCode, 0);

    result = run({QStringLiteral("list")});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, QStringLiteral("org.example.Vault\norg.keepassxc.KeePassXC\n"));
    result = run({QStringLiteral("list"), QStringLiteral("--json")});
    EXPECT_EQ(QJsonDocument::fromJson(result.out.toUtf8()).array(),
              QJsonArray({QStringLiteral("org.example.Vault"), QStringLiteral("org.keepassxc.KeePassXC")}));

    EXPECT_EQ(run({QStringLiteral("remove"), QStringLiteral("org.example.Vault")}).exitCode, 0);
    result = run({QStringLiteral("remove"), QStringLiteral("org.keepassxc.KeePassXC")});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, QStringLiteral("Removed from the ignore list: org.keepassxc.KeePassXC\n"));
    result = run({QStringLiteral("remove"), QStringLiteral("org.keepassxc.KeePassXC")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, QStringLiteral("Not in the ignore list: org.keepassxc.KeePassXC\n"));
    EXPECT_EQ(run({QStringLiteral("list")}).out, QString());

    JsonFileDefaultsStore defaults(settingsPath());
    EXPECT_EQ(AppPreferences(defaults).ignoredAppDefaultOptOut(), QStringList{QStringLiteral("org.keepassxc.KeePassXC")})
        << "only the installed password manager is a default";
}

TEST_F(IgnoreCommandTest, UsageErrorsExitWithTwoInEitherLanguage) {
    const struct {
        QStringList arguments;
        const char* english;
    } rows[] = {
        {{}, "Missing argument: ACTION"},
        {{QStringLiteral("purge")}, "Unknown action: purge"},
        {{QStringLiteral("add")}, "Missing argument: ID"},
        {{QStringLiteral("remove"), QStringLiteral("a"), QStringLiteral("b")}, "Unexpected argument: b"},
        {{QStringLiteral("list"), QStringLiteral("x")}, "Unexpected argument: x"},
        {{QStringLiteral("add"), QStringLiteral(" \t")}, "The application id is empty."},
    };
    for (const auto& row : rows) {
        const CliResult result = run(row.arguments);
        EXPECT_EQ(result.exitCode, 2) << row.english;
        EXPECT_TRUE(result.err.startsWith(QString::fromUtf8(row.english))) << result.err.toStdString();
    }
    const CliResult chinese = run({QStringLiteral("purge")}, QStringLiteral("zh-Hans"));
    EXPECT_EQ(chinese.exitCode, 2);
    EXPECT_TRUE(chinese.err.startsWith(QStringLiteral("未知操作：purge"))) << chinese.err.toStdString();
}

} // namespace
} // namespace quellpad
