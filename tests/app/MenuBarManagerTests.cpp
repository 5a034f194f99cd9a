// The tray item's state: menus per recording state, refreshes deferred while the menu
// is open (but not for ever), and "no tray" recorded without touching the user's choice.
#include <gtest/gtest.h>

#include "app/MenuBarManager.h"
#include "hotkey/KeyCombo.h"
#include "localization/Localizer.h"
#include "platform/fake/InMemoryDefaultsStore.h"
#include "platform/fake/ManualTimerScheduler.h"
#include "settings/PreferenceKeys.h"

namespace quellpad {
namespace {

class MenuBarManagerTest : public ::testing::Test {
protected:
    InMemoryDefaultsStore defaults;
    Localizer localizer{defaults};
    ManualTimerScheduler timers;
    bool paused = false;
    bool trayAvailable = true;
    std::vector<MenuBarAction> performed;
    std::unique_ptr<MenuBarManager> manager;

    void SetUp() override {
        MenuBarManager::Hooks hooks{
            .perform = [this](MenuBarAction action) {
                performed.push_back(action);
                if (action == MenuBarAction::toggleTemporaryMonitoring) paused = !paused;
            },
            .isMonitoringPaused = [this] { return paused; },
            .isTrayAvailable = [this] { return trayAvailable; },
            .availableActions = {MenuBarAction::openClipboardHistoryPanel, MenuBarAction::toggleTemporaryMonitoring,
                                 MenuBarAction::sendFeedback, MenuBarAction::showAbout},
        };
        manager = std::make_unique<MenuBarManager>(defaults, localizer, timers, std::move(hooks));
    }
    QStringList titles() const {
        QStringList result;
        for (const MenuBarMenuEntry& entry : manager->menu()) {
            result << (entry.kind == MenuBarMenuEntry::Kind::separator ? QStringLiteral("-") : entry.title);
        }
        return result;
    }
};

TEST_F(MenuBarManagerTest, TheMenuFollowsTheRecordingStateAndOffersOnlyWhatCanOpen) {
    EXPECT_EQ(titles(), (QStringList{QStringLiteral("Clipboard History"), QStringLiteral("Pause Clipboard Recording"),
                                     QStringLiteral("-"), QStringLiteral("Send Feedback"), QStringLiteral("About Quellpad"),
                                     QStringLiteral("-"), QStringLiteral("Quit")}));
    EXPECT_EQ(manager->toolTip(), QStringLiteral("Quellpad"));

    manager->perform(MenuBarAction::toggleTemporaryMonitoring);
    EXPECT_EQ(manager->recordingState(), MenuBarRecordingState::paused);
    EXPECT_EQ(titles().mid(0, 3), (QStringList{QStringLiteral("Clipboard recording paused"),
                                               QStringLiteral("Resume Clipboard Recording"), QStringLiteral("-")}));
    EXPECT_FALSE(titles().contains(QStringLiteral("Pause Clipboard Recording")));
    EXPECT_FALSE(manager->menu()[0].enabled);
    EXPECT_EQ(manager->toolTip(), QStringLiteral("Copied items are not saved to Quellpad while recording is paused."));

    defaults.set(PreferenceKeys::textCaptureEnabled, false);
    defaults.set(PreferenceKeys::imageCaptureEnabled, false);
    EXPECT_EQ(manager->recordingState(), MenuBarRecordingState::off);
    EXPECT_EQ(titles().first(), QStringLiteral("Clipboard recording off"));
    EXPECT_FALSE(titles().contains(QStringLiteral("Open General Settings..."))) << "no settings window to open yet";

    defaults.set(PreferenceKeys::appLanguage, QStringLiteral("zh-Hans"));
    EXPECT_EQ(titles().first(), QStringLiteral("剪贴板记录已关闭"));
}

TEST_F(MenuBarManagerTest, ARefreshWaitsForTheOpenMenuButNotForEver) {
    manager->menuWillOpen();
    defaults.set(PreferenceKeys::textCaptureEnabled, false);
    defaults.set(PreferenceKeys::imageCaptureEnabled, false);
    EXPECT_EQ(manager->recordingState(), MenuBarRecordingState::recording) << "not while the menu is shown";
    manager->menuDidClose();
    EXPECT_EQ(manager->recordingState(), MenuBarRecordingState::off);

    // A tray host that never says the menu closed.
    manager->menuWillOpen();
    defaults.set(PreferenceKeys::textCaptureEnabled, true);
    EXPECT_EQ(manager->recordingState(), MenuBarRecordingState::off);
    const std::vector<double> pending = timers.pendingIntervals();
    EXPECT_NE(std::find(pending.begin(), pending.end(), MenuBarManager::longestDeferredRefreshSeconds), pending.end());
    for (int i = 0; i < 4 && manager->recordingState() == MenuBarRecordingState::off; ++i) {
        timers.fireNext();
    }
    EXPECT_EQ(manager->recordingState(), MenuBarRecordingState::recording);
    // The menu's late close changes nothing more.
    manager->menuDidClose();
    EXPECT_EQ(manager->recordingState(), MenuBarRecordingState::recording);
}

TEST_F(MenuBarManagerTest, NoTrayIsRecordedAsHiddenBySystemAndTheUsersChoiceStays) {
    trayAvailable = false;
    manager->refresh();
    EXPECT_EQ(defaults.boolValue(PreferenceKeys::menuBarStatusItemHiddenBySystem), true);
    EXPECT_TRUE(manager->showsIcon());
    EXPECT_NE(defaults.boolValue(PreferenceKeys::menuBarShowIcon), false);

    // A tray appears later (an extension was switched on): the slow check notices.
    trayAvailable = true;
    while (timers.fireNext() && defaults.boolValue(PreferenceKeys::menuBarStatusItemHiddenBySystem) == true) {
    }
    EXPECT_EQ(defaults.boolValue(PreferenceKeys::menuBarStatusItemHiddenBySystem), false);

    defaults.set(PreferenceKeys::menuBarShowIcon, false);
    EXPECT_FALSE(manager->showsIcon());
}

} // namespace
} // namespace quellpad
