#include <algorithm>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "capture/ClipboardIgnoredAppsSettings.h"
#include "platform/fake/InMemoryDefaultsStore.h"
#include "platform/linux/XdgApplicationRegistry.h"
#include "support/TestSupport.h"

namespace quellpad {
namespace {

class XdgApplicationRegistryTest : public ::testing::Test {
protected:
    QTemporaryDir root;
    QString userApplications = root.filePath(QStringLiteral("home/applications"));
    QString systemApplications = root.filePath(QStringLiteral("system/applications"));
    test::ScopedEnvironment dataHome{"XDG_DATA_HOME", root.filePath(QStringLiteral("home")).toUtf8()};
    test::ScopedEnvironment dataDirs{"XDG_DATA_DIRS", root.filePath(QStringLiteral("system")).toUtf8()};

    void SetUp() override {
        ASSERT_TRUE(QDir().mkpath(userApplications));
        ASSERT_TRUE(QDir().mkpath(systemApplications));
    }

    void entry(const QString& directory, const QString& relativePath, const QByteArray& contents) {
        const QString path = directory + QLatin1Char('/') + relativePath;
        QDir().mkpath(QFileInfo(path).absolutePath());
        ASSERT_TRUE(test::writeFile(path, contents)) << path.toStdString();
    }
};

TEST_F(XdgApplicationRegistryTest, FindsApplicationsByNameAcrossTheXdgDataDirectories) {
    entry(systemApplications, QStringLiteral("org.keepassxc.KeePassXC.desktop"),
          "[Desktop Entry]\nType=Application\nName=KeePassXC\nName[de]=KeePassXC DE\nExec=keepassxc\n");
    entry(systemApplications, QStringLiteral("flatpak/com.bitwarden.desktop.desktop"),
          "# comment\n[Desktop Entry]\nName = Bitwarden \nType=Application\n");
    entry(userApplications, QStringLiteral("bitwarden.desktop"), "[Desktop Entry]\nName=bitwarden\n");
    entry(systemApplications, QStringLiteral("escaped.desktop"), "[Desktop Entry]\nName=Proton\\sPass\n");
    entry(systemApplications, QStringLiteral("action.desktop"),
          "[Desktop Entry]\nName=Editor\n[Desktop Action new]\nName=KeePassXC\n");

    XdgApplicationRegistry registry;
    EXPECT_EQ(registry.applicationIdentifiers(QStringLiteral("KeePassXC")), QStringList{QStringLiteral("org.keepassxc.KeePassXC")});
    QStringList bitwarden = registry.applicationIdentifiers(QStringLiteral("Bitwarden"));
    bitwarden.sort();
    EXPECT_EQ(bitwarden, (QStringList{QStringLiteral("bitwarden"), QStringLiteral("flatpak-com.bitwarden.desktop")}));
    EXPECT_EQ(registry.applicationIdentifiers(QStringLiteral("Proton Pass")), QStringList{QStringLiteral("escaped")});
    EXPECT_TRUE(registry.applicationIdentifiers(QStringLiteral("KeePassXC DE")).isEmpty()) << "localized names are not the name";
    EXPECT_TRUE(registry.applicationIdentifiers(QStringLiteral("  ")).isEmpty());
    EXPECT_TRUE(registry.containsApplication(QStringLiteral("action")));
    EXPECT_FALSE(registry.containsApplication(QStringLiteral("com.apple.Passwords")));
}

TEST_F(XdgApplicationRegistryTest, HiddenOtherTypesShadowedAndMalformedEntriesAreNotApplications) {
    entry(systemApplications, QStringLiteral("hidden.desktop"), "[Desktop Entry]\nName=Enpass\n");
    entry(userApplications, QStringLiteral("hidden.desktop"), "[Desktop Entry]\nName=Enpass\nHidden=true\n");
    entry(systemApplications, QStringLiteral("shadowed.desktop"), "[Desktop Entry]\nName=NordPass\n");
    entry(userApplications, QStringLiteral("shadowed.desktop"), "[Desktop Entry]\nName=Something Else\n");
    entry(systemApplications, QStringLiteral("link.desktop"), "[Desktop Entry]\nType=Link\nName=Keeper\n");
    entry(systemApplications, QStringLiteral("nogroup.desktop"), "Name=RoboForm\n");
    entry(systemApplications, QStringLiteral("binary.desktop"), QByteArray("[Desktop Entry]\nName=\xc3\x28") + QByteArray(1, '\0') + QByteArray("\xff\xfe\n"));
    entry(systemApplications, QStringLiteral("huge.desktop"), "[Desktop Entry]\nName=Dashlane\n" + QByteArray(300 * 1024, '#'));
    entry(systemApplications, QStringLiteral("notes.txt"), "[Desktop Entry]\nName=LastPass\n");
    QDir().mkpath(systemApplications + QStringLiteral("/folder.desktop"));
    QFile::link(systemApplications + QStringLiteral("/missing-target"), systemApplications + QStringLiteral("/dangling.desktop"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(systemApplications + QStringLiteral("/fifo.desktop")).constData(), 0600), 0);

    test::LogCapture logs;
    XdgApplicationRegistry registry;
    for (const char* name : {"Enpass", "NordPass", "Keeper", "RoboForm", "Dashlane", "LastPass"}) {
        EXPECT_TRUE(registry.applicationIdentifiers(QString::fromLatin1(name)).isEmpty()) << name;
    }
    EXPECT_EQ(registry.applicationIdentifiers(QStringLiteral("Something Else")), QStringList{QStringLiteral("shadowed")});
    EXPECT_TRUE(registry.containsApplication(QStringLiteral("binary")));
    EXPECT_FALSE(registry.containsApplication(QStringLiteral("fifo")));
    // The settings' list of applications to ignore holds the same entries, by their names.
    QList<std::pair<QString, QString>> listed = registry.installedApplications();
    std::sort(listed.begin(), listed.end());
    ASSERT_EQ(listed.size(), 2);
    EXPECT_EQ(listed[0].first, QStringLiteral("binary"));
    EXPECT_EQ(listed[1], std::pair(QStringLiteral("shadowed"), QStringLiteral("Something Else")));
    EXPECT_TRUE(logs.contains(LogLevel::warning, QStringLiteral("ApplicationRegistry"), QStringLiteral("Skipped oversized desktop entry")));
}

TEST_F(XdgApplicationRegistryTest, DefaultIgnoreListComesFromTheInstalledEntries) {
    entry(systemApplications, QStringLiteral("org.keepassxc.KeePassXC.desktop"), "[Desktop Entry]\nName=KeePassXC\n");
    entry(systemApplications, QStringLiteral("1password.desktop"), "[Desktop Entry]\nName=1Password\n");
    entry(systemApplications, QStringLiteral("org.gnome.World.Secrets.desktop"), "[Desktop Entry]\nName=Secrets\n");
    entry(systemApplications, QStringLiteral("org.gnome.TextEditor.desktop"), "[Desktop Entry]\nName=Text Editor\n");
    entry(userApplications, QStringLiteral("com.apple.Passwords.desktop"), "[Desktop Entry]\nName=Passwords\n");

    InMemoryDefaultsStore defaults;
    ClipboardIgnoredAppsSettings settings(defaults, std::make_shared<XdgApplicationRegistry>());
    settings.applyDefaultIgnoredApps().waitForFinished();
    EXPECT_EQ(settings.ignoredAppBundleIdentifiers(),
              (QStringList{QStringLiteral("1password"), QStringLiteral("com.apple.Passwords"),
                           QStringLiteral("org.gnome.World.Secrets"), QStringLiteral("org.keepassxc.KeePassXC")}));
}

} // namespace
} // namespace quellpad
