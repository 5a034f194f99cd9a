// The settings pages' bindings to the preferences: every change is stored at once, the
// app keeps a way in when the tray icon goes, and failures of the desktop services show
// beside their control instead of being lost.
#include <gtest/gtest.h>

#include <QSignalSpy>

#include "Core/Utilities/NotificationCenter.h"
#include "app/SettingsViewModel.h"
#include "hotkey/KeyCombo.h"
#include "localization/Localizer.h"
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
    SettingsViewModel model{defaults, notifications, localizer,
                            SettingsViewModel::Services{.launchAtLogin = &launchAtLogin}};

    void storeShortcut() { defaults.set(PreferenceKeys::clipboardHistoryHotkey, KeyCombo::defaultClipboardHotkey().toJson()); }
};

TEST_F(SettingsViewModelTest, SwitchesWriteTheirKeysAtOnceAndReadBackWhatAnotherProcessStored) {
    QSignalSpy changed(&model, &SettingsViewModel::changed);
    model.setReturnKeyAutoPasteEnabled(true);
    EXPECT_EQ(defaults.boolValue(PreferenceKeys::directPasteReturnKeyAutoPasteEnabled), true);
    EXPECT_EQ(changed.count(), 1);

    // `quellpad config set` from a terminal: the page follows without being touched.
    defaults.set(PreferenceKeys::directPasteReturnKeyAutoPasteEnabled, false);
    EXPECT_FALSE(model.returnKeyAutoPasteEnabled());
    defaults.set(PreferenceKeys::directPasteReturnKeyAutoPasteEnabled, QStringLiteral("true")); // wrong type: default
    EXPECT_FALSE(model.returnKeyAutoPasteEnabled());
    EXPECT_EQ(changed.count(), 3);
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
    EXPECT_EQ(model.localizer().text(TextKey::settingsWindowTitle),
              Localizer::text(AppLanguage::simplifiedChinese, TextKey::settingsWindowTitle));
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

TEST_F(SettingsViewModelTest, APresentationNoteSaysWhyTheFloatingPanelIsCenteredWhereWindowsCannotBePlaced) {
    bool placeable = false;
    SettingsViewModel wayland(defaults, notifications, localizer,
                              {.windowsPlaceable = [&placeable] { return placeable; }});
    EXPECT_EQ(wayland.presentationNotice(), localizer.text(TextKey::settingsPresentationWaylandNotice));
    EXPECT_TRUE(wayland.presentationNotice().contains(QLatin1String("Wayland")));
    // Asked each time, in the language shown now.
    wayland.setLanguage(AppLanguage::simplifiedChinese);
    EXPECT_EQ(wayland.presentationNotice(),
              Localizer::text(AppLanguage::simplifiedChinese, TextKey::settingsPresentationWaylandNotice));
    placeable = true;
    EXPECT_TRUE(wayland.presentationNotice().isEmpty());

    // X11 (or nothing said): no note; nor where the presentation choice is not offered.
    EXPECT_TRUE(model.presentationNotice().isEmpty());
    placeable = false;
    SettingsViewModel store(defaults, notifications, localizer,
                            {.channel = DistributionChannel::appStore, .windowsPlaceable = [] { return false; }});
    EXPECT_TRUE(store.presentationNotice().isEmpty());
}

} // namespace
} // namespace quellpad
