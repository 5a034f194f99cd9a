// The settings pages' bindings to the preferences: every change is stored at once, the
// app keeps a way in when the tray icon goes, and failures of the desktop services show
// beside their control instead of being lost.
#include <gtest/gtest.h>

#include <QSignalSpy>

#include "Core/Utilities/NotificationCenter.h"
#include "app/SettingsViewModel.h"
#include "capture/ClipboardIgnoredAppsSettings.h"
#include "hotkey/KeyCombo.h"
#include "localization/Localizer.h"
#include "platform/fake/FakeWorkspace.h"
#include "platform/fake/InMemoryDefaultsStore.h"
#include "settings/PreferenceKeys.h"
#include "support/TestSupport.h"

namespace quellpad {
namespace {

class ScriptedLaunchAtLogin final : public LaunchAtLoginManaging {
public:
    LaunchAtLoginStatus status() const override { return status_; }
    void setEnabled(bool enabled) override {
        if (fails) throw LaunchAtLoginManagerError(LaunchAtLoginManagerError::Kind::writeFailed, QStringLiteral("disk full"));
        status_ = enabled ? LaunchAtLoginStatus::enabled : LaunchAtLoginStatus::notRegistered;
    }
    LaunchAtLoginStatus status_ = LaunchAtLoginStatus::notRegistered;
    bool fails = false;
};

class SettingsViewModelTest : public ::testing::Test {
protected:
    InMemoryDefaultsStore defaults;
    NotificationCenter notifications;
    Localizer localizer{defaults};
    ScriptedLaunchAtLogin launchAtLogin;
    FakeWorkspace workspace;
    ClipboardIgnoredAppsSettings ignoredApps{defaults, nullptr};
    bool accessibilityAvailable = false;
    SettingsViewModel model{defaults, notifications, localizer,
                            SettingsViewModel::Services{
                                .launchAtLogin = &launchAtLogin,
                                .ignoredApps = &ignoredApps,
                                .workspace = &workspace,
                                .dataDirectoryPath = [] { return QStringLiteral("/home/u/.local/share/Quellpad/QuellpadData"); },
                                .isAccessibilityAvailable = [this] { return accessibilityAvailable; },
                                .installedApplications =
                                    [] {
                                        return QList<std::pair<QString, QString>>{
                                            {QStringLiteral("org.keepassxc.KeePassXC"), QStringLiteral("KeePassXC")},
                                            {QStringLiteral("firefox"), QStringLiteral("Firefox")},
                                            {QStringLiteral("org.gnome.Terminal"), QStringLiteral("Terminal")}};
                                    },
                            }};

    void storeShortcut() { defaults.set(PreferenceKeys::clipboardHistoryHotkey, KeyCombo::defaultClipboardHotkey().toJson()); }
};

TEST_F(SettingsViewModelTest, SwitchesWriteTheirKeysAtOnceAndReadBackWhatAnotherProcessStored) {
    QSignalSpy changed(&model, &SettingsViewModel::changed);
    model.setReturnKeyAutoPasteEnabled(true);
    model.setTextCaptureEnabled(false);
    model.setImageCaptureEnabled(false);
    model.setPinyinIndexEnabled(true);
    EXPECT_EQ(defaults.boolValue(PreferenceKeys::directPasteReturnKeyAutoPasteEnabled), true);
    EXPECT_EQ(defaults.boolValue(PreferenceKeys::textCaptureEnabled), false);
    EXPECT_EQ(defaults.boolValue(PreferenceKeys::imageCaptureEnabled), false);
    EXPECT_EQ(defaults.boolValue(PreferenceKeys::searchPinyinIndexEnabled), true);
    EXPECT_EQ(changed.count(), 4);

    // `quellpad config set` from a terminal: the page follows without being touched.
    defaults.set(PreferenceKeys::textCaptureEnabled, true);
    defaults.set(PreferenceKeys::searchPinyinIndexEnabled, QStringLiteral("true")); // wrong type: default
    EXPECT_TRUE(model.textCaptureEnabled());
    EXPECT_FALSE(model.pinyinIndexEnabled());
    EXPECT_EQ(changed.count(), 6);
}

TEST_F(SettingsViewModelTest, TheItemSizeLimitStaysWithinOneToFiveHundredMegabytes) {
    EXPECT_EQ(model.maxItemSizeInMB(), 10);
    for (const auto& [entered, stored] : {std::pair{0, 1}, {-7, 1}, {1, 1}, {250, 250}, {500, 500}, {501, 500}}) {
        model.setMaxItemSizeInMB(entered);
        EXPECT_EQ(defaults.integerValue(PreferenceKeys::maxItemSizeInMB), stored) << entered;
    }
}

TEST_F(SettingsViewModelTest, TheLanguageIsStoredAnnouncedOnceAndChangesTheTexts) {
    QSignalSpy announced(&notifications, &NotificationCenter::notified);
    model.setLanguage(AppLanguage::simplifiedChinese);
    model.setLanguage(AppLanguage::simplifiedChinese);
    EXPECT_EQ(defaults.stringValue(PreferenceKeys::appLanguage), QStringLiteral("zh-Hans"));
    EXPECT_TRUE(test::processEventsUntil([&] { return announced.count() >= 1; }));
    test::drainEvents();
    EXPECT_EQ(announced.count(), 1);
    EXPECT_EQ(announced.at(0).at(0).toString(), appLanguageDidChangeNotification);
    EXPECT_EQ(model.accessibilityStatusLine(), Localizer::text(AppLanguage::simplifiedChinese,
                                                               TextKey::settingsAccessibilityUnavailable));
    defaults.set(PreferenceKeys::appLanguage, QStringLiteral("ZH-hans"));
    EXPECT_EQ(model.language(), AppLanguage::english);
}

TEST_F(SettingsViewModelTest, LaunchAtLoginFollowsTheAutostartEntryAndShowsAFailureBesideTheSwitch) {
    QSignalSpy changed(&model, &SettingsViewModel::changed);
    EXPECT_FALSE(model.launchAtLoginEnabled());
    model.setLaunchAtLoginEnabled(true);
    EXPECT_TRUE(model.launchAtLoginEnabled());
    EXPECT_TRUE(model.launchAtLoginError().isEmpty());

    test::LogCapture logs;
    launchAtLogin.fails = true;
    model.setLaunchAtLoginEnabled(false);
    EXPECT_TRUE(model.launchAtLoginEnabled()) << "the switch shows the entry's status, not the click";
    EXPECT_TRUE(model.launchAtLoginError().contains(QStringLiteral("disk full")));
    EXPECT_TRUE(logs.contains(LogLevel::error, QStringLiteral("ShortcutsSettings"),
                              QStringLiteral("Failed to update launch at login: ")));
    EXPECT_EQ(changed.count(), 2);

    launchAtLogin.fails = false;
    model.setLaunchAtLoginEnabled(false);
    EXPECT_FALSE(model.launchAtLoginEnabled());
    EXPECT_TRUE(model.launchAtLoginError().isEmpty());

    SettingsViewModel withoutManager(defaults, notifications, localizer, {});
    EXPECT_FALSE(withoutManager.launchAtLoginAvailable());
    withoutManager.setLaunchAtLoginEnabled(true);
    EXPECT_FALSE(withoutManager.launchAtLoginEnabled());
}

TEST_F(SettingsViewModelTest, RevealOpensTheDataDirectoryAndReportsAFileManagerThatFails) {
    model.revealDataDirectory();
    ASSERT_EQ(workspace.revealedFiles.size(), 1u);
    EXPECT_EQ(workspace.revealedFiles[0], model.dataDirectoryPath());
    EXPECT_TRUE(model.revealError().isEmpty());

    workspace.openSucceeds = false;
    model.revealDataDirectory();
    EXPECT_EQ(model.revealError(), localizer.text(TextKey::settingsRevealFailed, {QStringLiteral("fake reveal failure")}));
    workspace.openSucceeds = true;
    model.revealDataDirectory();
    EXPECT_TRUE(model.revealError().isEmpty());
}

TEST_F(SettingsViewModelTest, TheIgnoreListOffersInstalledApplicationsNotYetOnIt) {
    auto ids = [](const QList<std::pair<QString, QString>>& applications) {
        QStringList result;
        for (const auto& application : applications) result << application.first;
        return result;
    };
    EXPECT_EQ(ids(model.addableApplications()),
              (QStringList{QStringLiteral("firefox"), QStringLiteral("org.keepassxc.KeePassXC"),
                           QStringLiteral("org.gnome.Terminal")}));
    model.addIgnoredApp(QStringLiteral("org.keepassxc.KeePassXC"));
    EXPECT_EQ(model.ignoredApps(), QStringList{QStringLiteral("org.keepassxc.KeePassXC")});
    EXPECT_EQ(ids(model.addableApplications()),
              (QStringList{QStringLiteral("firefox"), QStringLiteral("org.gnome.Terminal")}));
    model.removeIgnoredApp(QStringLiteral("org.keepassxc.KeePassXC"));
    EXPECT_TRUE(model.ignoredApps().isEmpty());
    EXPECT_EQ(model.addableApplications().size(), 3);
}

TEST_F(SettingsViewModelTest, TheAccessibilityLineFollowsTheBusEachTimeItIsRead) {
    EXPECT_EQ(model.accessibilityStatusLine(), localizer.text(TextKey::settingsAccessibilityUnavailable));
    accessibilityAvailable = true;
    EXPECT_EQ(model.accessibilityStatusLine(), localizer.text(TextKey::settingsAccessibilityAvailable));
}

} // namespace
} // namespace quellpad
