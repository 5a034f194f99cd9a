// The App Filter page's model over desktop entries in a temporary folder: ignored
// applications show their installed names and icons (their ids when not installed),
// and the chooser offers, searches and sorts the installed ones not yet ignored.
#include <gtest/gtest.h>

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "app/AppFilterSettingsViewModel.h"
#include "capture/ClipboardIgnoredAppsSettings.h"
#include "localization/Localizer.h"
#include "platform/fake/InMemoryDefaultsStore.h"
#include "platform/linux/XdgApplicationRegistry.h"
#include "settings/PreferenceKeys.h"
#include "support/TestSupport.h"

namespace quellpad {
namespace {

class AppFilterSettingsViewModelTest : public ::testing::Test {
protected:
    QTemporaryDir applications;
    InMemoryDefaultsStore defaults;
    Localizer localizer{defaults};
    ClipboardIgnoredAppsSettings ignoredApps{defaults, nullptr};

    void SetUp() override {
        entry(QStringLiteral("org.keepassxc.KeePassXC.desktop"),
              "[Desktop Entry]\nType=Application\nName=KeePassXC\nIcon=keepassxc\n");
        entry(QStringLiteral("firefox-esr.desktop"), "[Desktop Entry]\nType=Application\nName=Firefox ESR\nIcon=/opt/ff.png\n");
        entry(QStringLiteral("kde/konsole.desktop"), "[Desktop Entry]\nType=Application\nName=Konsole\n");
        entry(QStringLiteral("hidden.desktop"), "[Desktop Entry]\nType=Application\nName=Hidden\nHidden=true\n");
    }

    void entry(const QString& relativePath, const QByteArray& text) {
        const QString path = applications.path() + QLatin1Char('/') + relativePath;
        QDir().mkpath(QFileInfo(path).absolutePath());
        ASSERT_TRUE(test::writeFile(path, text));
    }

    std::unique_ptr<AppFilterSettingsViewModel> makeModel(bool cannotTellActiveApplication = false) {
        auto registry = std::make_shared<XdgApplicationRegistry>(QStringList{applications.path()});
        return std::make_unique<AppFilterSettingsViewModel>(
            defaults, ignoredApps, localizer,
            AppFilterSettingsViewModel::Services{
                .installedApplications = [registry] { return registry->installedApplicationEntries(); },
                .cannotTellActiveApplication = cannotTellActiveApplication});
    }

    static QStringList names(const QList<AppFilterSettingsViewModel::Entry>& entries) {
        QStringList result;
        for (const auto& entry : entries) result << entry.name;
        return result;
    }
};

TEST_F(AppFilterSettingsViewModelTest, IgnoredApplicationsShowTheirInstalledNamesAndIconsOrTheirIds) {
    auto model = makeModel();
    QSignalSpy changed(model.get(), &AppFilterSettingsViewModel::changed);
    model->addIgnoredApp(QStringLiteral("org.keepassxc.KeePassXC"));
    model->addIgnoredApp(QStringLiteral("com.example.Gone"));
    EXPECT_EQ(changed.count(), 2);

    const QList<AppFilterSettingsViewModel::Entry> ignored = model->ignoredApplications();
    ASSERT_EQ(ignored.size(), 2);
    EXPECT_EQ(ignored[0].identifier, QStringLiteral("com.example.Gone"));
    EXPECT_EQ(ignored[0].name, QStringLiteral("com.example.Gone"));
    EXPECT_FALSE(ignored[0].isInstalled);
    EXPECT_EQ(ignored[1].name, QStringLiteral("KeePassXC"));
    EXPECT_EQ(ignored[1].iconName, QStringLiteral("keepassxc"));
    EXPECT_TRUE(ignored[1].isInstalled);

    model->removeIgnoredApp(QStringLiteral("com.example.Gone"));
    EXPECT_EQ(defaults.stringArrayValue(PreferenceKeys::ignoredAppBundleIdentifiers),
              QStringList{QStringLiteral("org.keepassxc.KeePassXC")});
    // `quellpad ignore add` in another process.
    defaults.set(PreferenceKeys::ignoredAppBundleIdentifiers, QStringList{QStringLiteral("kde-konsole")});
    EXPECT_EQ(names(model->ignoredApplications()), QStringList{QStringLiteral("Konsole")});
    EXPECT_EQ(changed.count(), 4);
}

TEST_F(AppFilterSettingsViewModelTest, TheChooserOffersInstalledApplicationsNotYetIgnoredByNameAndSearch) {
    auto model = makeModel();
    EXPECT_EQ(names(model->addableApplications()),
              (QStringList{QStringLiteral("Firefox ESR"), QStringLiteral("KeePassXC"), QStringLiteral("Konsole")}))
        << "sorted by name, hidden entries left out";
    EXPECT_EQ(model->addableApplications()[0].iconName, QStringLiteral("/opt/ff.png"));
    model->addIgnoredApp(QStringLiteral("org.keepassxc.KeePassXC"));
    EXPECT_EQ(names(model->addableApplications()), (QStringList{QStringLiteral("Firefox ESR"), QStringLiteral("Konsole")}));
    // The search matches the name or the id, ignoring case and surrounding blanks.
    EXPECT_EQ(names(model->addableApplications(QStringLiteral(" KON "))), QStringList{QStringLiteral("Konsole")});
    EXPECT_EQ(names(model->addableApplications(QStringLiteral("firefox-esr"))), QStringList{QStringLiteral("Firefox ESR")});
    EXPECT_TRUE(model->addableApplications(QStringLiteral("keepass")).isEmpty());
}

TEST_F(AppFilterSettingsViewModelTest, TheSessionNoticeShowsOnlyWhereTheActiveApplicationIsUnknown) {
    EXPECT_TRUE(makeModel(false)->sessionNotice().isEmpty());
    EXPECT_EQ(makeModel(true)->sessionNotice(), localizer.text(TextKey::settingsIgnoredAppsWaylandNotice));
}

} // namespace
} // namespace quellpad
