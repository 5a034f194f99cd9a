// The login item through `quellpad autostart`: the entry it writes, what counts as
// switched off, and a configuration folder the user cannot write.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include "app/LaunchAtLoginManager.h"

namespace quellpad {
namespace {

struct Result {
    int exitCode = -1;
    QString out;
    QString err;
};

class AutostartCommandTest : public ::testing::Test {
protected:
    QTemporaryDir base;

    QString configHome() const { return base.path() + QStringLiteral("/config"); }
    QString entryPath() const { return configHome() + QStringLiteral("/autostart/io.github.quellpad.Quellpad.desktop"); }
    QString legacyEntryPath() const { return configHome() + QStringLiteral("/autostart/quellpad.desktop"); }

    // As root, or (uid > 0) as that unprivileged user, with umask 022.
    Result run(const QStringList& arguments, int uid = 0) const {
        QStringList command;
        if (uid > 0) {
            command << QStringLiteral("setpriv") << QStringLiteral("--reuid=%1").arg(uid)
                    << QStringLiteral("--regid=%1").arg(uid) << QStringLiteral("--clear-groups");
        }
        command << QStringLiteral("sh") << QStringLiteral("-c") << QStringLiteral("umask 022; exec \"$0\" \"$@\"")
                << QStringLiteral(QUELLPAD_CLI_PATH) << QStringLiteral("autostart");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), base.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), base.path());
        env.insert(QStringLiteral("QUELLPAD_STORAGE_DIRECTORY"), base.path() + QStringLiteral("/data"));
        QProcess process;
        process.setProcessEnvironment(env);
        const QString program = command.takeFirst();
        process.start(program, command + arguments);
        process.waitForFinished(60000);
        return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
    }
    bool enabled() const {
        const Result result = run({QStringLiteral("--json")});
        return QJsonDocument::fromJson(result.out.toUtf8()).object().value(QStringLiteral("enabled")).toBool();
    }
    QByteArray entry() const {
        QFile file(entryPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

TEST_F(AutostartCommandTest, EnableWritesAnEntryThatStartsThisProgramAndDisableRemovesIt) {
    EXPECT_FALSE(enabled());
    ASSERT_EQ(run({QStringLiteral("enable")}).exitCode, 0);
    EXPECT_TRUE(enabled());
    const QByteArray written = entry();
    EXPECT_TRUE(written.startsWith("[Desktop Entry]\n"));
    EXPECT_TRUE(written.contains("Exec=\"" + QFileInfo(QStringLiteral(QUELLPAD_CLI_PATH)).canonicalFilePath().toUtf8() + "\"\n") ||
                written.contains("Exec=\"" + QByteArray(QUELLPAD_CLI_PATH) + "\"\n"))
        << written.toStdString();
    ASSERT_EQ(run({QStringLiteral("enable")}).exitCode, 0) << "enabling twice is fine";

    // A session tool that switches the entry off instead of deleting it.
    QFile file(entryPath());
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write("Hidden=true\n");
    file.close();
    EXPECT_FALSE(enabled());
    ASSERT_EQ(run({QStringLiteral("enable")}).exitCode, 0);
    EXPECT_TRUE(enabled());
    EXPECT_FALSE(entry().contains("Hidden=true"));

    ASSERT_EQ(run({QStringLiteral("disable")}).exitCode, 0);
    EXPECT_FALSE(QFile::exists(entryPath()));
    EXPECT_EQ(run({QStringLiteral("disable")}).exitCode, 0);
    EXPECT_EQ(run({QStringLiteral("sometimes")}).exitCode, 2);
}

TEST_F(AutostartCommandTest, AnUnwritableConfigurationFolderIsReportedAndChangesNothing) {
    // The user's configuration folder belongs to someone else (root) and is not writable.
    ASSERT_TRUE(QDir().mkpath(configHome()));
    ASSERT_EQ(::chmod(QFile::encodeName(base.path()).constData(), 0755), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(configHome()).constData(), 0755), 0);
    const Result result = run({QStringLiteral("enable")}, 65534);
    EXPECT_EQ(result.exitCode, 1) << result.err.toStdString();
    EXPECT_TRUE(result.err.contains(QStringLiteral("autostart"))) << result.err.toStdString();
    EXPECT_FALSE(QFile::exists(entryPath()));
    EXPECT_FALSE(enabled());
}

TEST_F(AutostartCommandTest, AnEntryUnderTheFormerNameCountsAndIsReplacedByTheNextChange) {
    ASSERT_TRUE(QDir().mkpath(configHome() + QStringLiteral("/autostart")));
    QFile legacy(legacyEntryPath());
    ASSERT_TRUE(legacy.open(QIODevice::WriteOnly));
    legacy.write("[Desktop Entry]\nType=Application\nName=Quellpad\nExec=/old/place/quellpad\n");
    legacy.close();
    EXPECT_TRUE(enabled()) << "signing in still starts the app";

    ASSERT_EQ(run({QStringLiteral("enable")}).exitCode, 0);
    EXPECT_FALSE(QFile::exists(legacyEntryPath())) << "two entries would start the app twice";
    EXPECT_TRUE(entry().contains("Icon=io.github.quellpad.Quellpad\n")) << entry().toStdString();
    EXPECT_FALSE(entry().contains("/old/place"));

    ASSERT_TRUE(legacy.open(QIODevice::WriteOnly));
    legacy.write("[Desktop Entry]\nType=Application\nExec=/old/place/quellpad\n");
    legacy.close();
    ASSERT_EQ(run({QStringLiteral("disable")}).exitCode, 0);
    EXPECT_FALSE(QFile::exists(legacyEntryPath()));
    EXPECT_FALSE(QFile::exists(entryPath()));
    EXPECT_FALSE(enabled());
}

TEST(XdgAutostartLaunchAtLoginManagerTest, ExecQuotesPathsWithSpacesDollarsAndPercents) {
    QTemporaryDir dir;
    XdgAutostartLaunchAtLoginManager manager(QStringLiteral("quellpad"), QStringLiteral("/opt/My Apps/$q%uell\"pad"),
                                             dir.path());
    manager.setEnabled(true);
    QFile file(manager.entryPath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("Exec=\"/opt/My Apps/\\\\$q%%uell\\\\\"pad\"\n"));
    EXPECT_EQ(manager.status(), LaunchAtLoginStatus::enabled);

    manager.setEnabled(false);
    EXPECT_EQ(manager.status(), LaunchAtLoginStatus::notRegistered);
}

} // namespace
} // namespace quellpad
