#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>


namespace {

struct CliResult {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

CliResult runCli(const QStringList& arguments, const QProcessEnvironment& environment) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(QUELLPAD_CLI_PATH), arguments);
    process.waitForFinished(30000);
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

} // namespace

class CliTest : public ::testing::Test {
protected:
    QTemporaryDir home;
    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path() + QStringLiteral("/config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home.path() + QStringLiteral("/data"));
        env.remove(QStringLiteral("QUELLPAD_STORAGE_DIRECTORY"));
        return env;
    }
};

TEST_F(CliTest, PathsJsonHonoursTheOverrideAndTheCustomDirectory) {
    CliResult result = runCli({QStringLiteral("paths"), QStringLiteral("--json")}, environment());
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    QJsonObject object = QJsonDocument::fromJson(result.out).object();
    const QString data = home.path() + QStringLiteral("/data/Quellpad/QuellpadData");
    EXPECT_EQ(object.value(QStringLiteral("dataDirectory")).toString(), data);
    EXPECT_EQ(object.value(QStringLiteral("historyStore")).toString(), data + QStringLiteral("/clipboard_history.sqlite"));
    EXPECT_EQ(object.value(QStringLiteral("searchIndex")).toString(), data + QStringLiteral("/clipboard_search.sqlite"));
    EXPECT_EQ(object.value(QStringLiteral("settings")).toString(), home.path() + QStringLiteral("/config/Quellpad/settings.json"));

    QProcessEnvironment overridden = environment();
    overridden.insert(QStringLiteral("QUELLPAD_STORAGE_DIRECTORY"), home.path() + QStringLiteral("/elsewhere"));
    result = runCli({QStringLiteral("paths"), QStringLiteral("--json")}, overridden);
    object = QJsonDocument::fromJson(result.out).object();
    EXPECT_EQ(object.value(QStringLiteral("historyStore")).toString(),
              home.path() + QStringLiteral("/elsewhere/clipboard_history.sqlite"));

    // A custom folder saved in the settings file is honoured.
    QDir().mkpath(home.path() + QStringLiteral("/config/Quellpad"));
    QFile settings(home.path() + QStringLiteral("/config/Quellpad/settings.json"));
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write(QStringLiteral("{\"format\":1,\"values\":{\"CustomDataDirectory\":{\"type\":\"string\",\"value\":\"%1/mine\"}}}")
                       .arg(home.path()).toUtf8());
    settings.close();
    result = runCli({QStringLiteral("paths"), QStringLiteral("--json")}, environment());
    object = QJsonDocument::fromJson(result.out).object();
    EXPECT_EQ(object.value(QStringLiteral("dataDirectory")).toString(), home.path() + QStringLiteral("/mine/QuellpadData"));
}

TEST_F(CliTest, UsageErrorsExitWithTwoOnStandardError) {
    for (const QStringList& arguments : {QStringList{QStringLiteral("no-such-command")}, QStringList{QStringLiteral("--bogus")},
                                         QStringList{QStringLiteral("paths"), QStringLiteral("--nope")},
                                         QStringList{QStringLiteral("paths"), QStringLiteral("extra")}}) {
        const CliResult result = runCli(arguments, environment());
        EXPECT_EQ(result.exitCode, 2) << arguments.join(' ').toStdString();
        EXPECT_TRUE(result.out.isEmpty());
        EXPECT_FALSE(result.err.isEmpty());
    }
    const CliResult version = runCli({QStringLiteral("--version")}, environment());
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.out.startsWith("quellpad "));
}
