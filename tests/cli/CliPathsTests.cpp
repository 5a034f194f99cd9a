#include <gtest/gtest.h>

#include "support/CliHarness.h"

#include <QJsonDocument>
#include <QJsonObject>


using quellpad::test::CliResult;

// In process, as scripts run it; the folders come from the environment.
class CliTest : public ::testing::Test {
protected:
    quellpad::test::CliHarness cli;

    void SetUp() override { cli.setEnvironment("QUELLPAD_STORAGE_DIRECTORY", std::nullopt); }
};

TEST_F(CliTest, PathsJsonHonoursTheOverrideAndTheCustomDirectory) {
    CliResult result = cli.run({QStringLiteral("paths"), QStringLiteral("--json")});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    QJsonObject object = QJsonDocument::fromJson(result.out).object();
    const QString data = cli.home() + QStringLiteral("/share/Quellpad/QuellpadData");
    EXPECT_EQ(object.value(QStringLiteral("dataDirectory")).toString(), data);
    EXPECT_EQ(object.value(QStringLiteral("historyStore")).toString(), data + QStringLiteral("/clipboard_history.sqlite"));
    EXPECT_EQ(object.value(QStringLiteral("searchIndex")).toString(), data + QStringLiteral("/clipboard_search.sqlite"));
    EXPECT_EQ(object.value(QStringLiteral("settings")).toString(), cli.home() + QStringLiteral("/config/Quellpad/settings.json"));

    cli.setEnvironment("QUELLPAD_STORAGE_DIRECTORY", cli.home() + QStringLiteral("/elsewhere"));
    result = cli.run({QStringLiteral("paths"), QStringLiteral("--json")});
    cli.setEnvironment("QUELLPAD_STORAGE_DIRECTORY", std::nullopt);
    object = QJsonDocument::fromJson(result.out).object();
    EXPECT_EQ(object.value(QStringLiteral("historyStore")).toString(),
              cli.home() + QStringLiteral("/elsewhere/clipboard_history.sqlite"));

    // A custom folder saved in the settings file is honoured.
    QDir().mkpath(cli.home() + QStringLiteral("/config/Quellpad"));
    QFile settings(cli.home() + QStringLiteral("/config/Quellpad/settings.json"));
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write(QStringLiteral("{\"format\":1,\"values\":{\"CustomDataDirectory\":{\"type\":\"string\",\"value\":\"%1/mine\"}}}")
                       .arg(cli.home()).toUtf8());
    settings.close();
    result = cli.run({QStringLiteral("paths"), QStringLiteral("--json")});
    object = QJsonDocument::fromJson(result.out).object();
    EXPECT_EQ(object.value(QStringLiteral("dataDirectory")).toString(), cli.home() + QStringLiteral("/mine/QuellpadData"));
}

TEST_F(CliTest, UsageErrorsExitWithTwoOnStandardError) {
    for (const QStringList& arguments : {QStringList{QStringLiteral("no-such-command")}, QStringList{QStringLiteral("--bogus")},
                                         QStringList{QStringLiteral("paths"), QStringLiteral("--nope")},
                                         QStringList{QStringLiteral("paths"), QStringLiteral("extra")}}) {
        const CliResult result = cli.run(arguments);
        EXPECT_EQ(result.exitCode, 2) << arguments.join(' ').toStdString();
        EXPECT_TRUE(result.out.isEmpty());
        EXPECT_FALSE(result.err.isEmpty());
    }
    const CliResult version = cli.run({QStringLiteral("--version")});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.out.startsWith("quellpad "));
}
