// The first-run guide's model: its pages follow the desktop, finishing leaves the app
// with a working shortcut and something to record and marks onboarding complete, and
// the presentation choice is written only where the floating panel exists.
#include <gtest/gtest.h>

#include "app/ClipboardPanelCoordinator.h"
#include "app/LoggingClipboardPanel.h"
#include "app/OnboardingViewModel.h"
#include "hotkey/HotkeyManager.h"
#include "localization/Localizer.h"
#include "platform/fake/FakeHotKeyService.h"
#include "platform/fake/InMemoryDefaultsStore.h"
#include "platform/fake/ManualTimerScheduler.h"
#include "settings/AppPreferences.h"
#include "settings/PreferenceKeys.h"

namespace quellpad {
namespace {

using Page = OnboardingViewModel::Page;

class OnboardingViewModelTest : public ::testing::Test {
protected:
    FakeHotKeyService service;
    InMemoryDefaultsStore defaults;
    HotkeyManager hotkeys{service, defaults};
    LoggingClipboardPanel panel;
    ClipboardPanelCoordinator coordinator{&hotkeys, defaults, panel, nullptr};
    ManualTimerScheduler timers;
    Localizer localizer{defaults};
    bool trusted = false;
    AccessibilityPermissionManager accessibility{defaults, timers, [this] { return trusted; }, [] { return false; },
                                                 nullptr};
    bool trayAvailable = true;
    int finishedCount = 0;

    std::unique_ptr<OnboardingViewModel> makeModel(DistributionChannel channel = DistributionChannel::direct) {
        return std::make_unique<OnboardingViewModel>(
            defaults, localizer,
            OnboardingViewModel::Services{.timers = timers,
                                          .panelCoordinator = &coordinator,
                                          .accessibility = &accessibility,
                                          .isTrayAvailable = [this] { return trayAvailable; },
                                          .channel = channel,
                                          .finished = [this] { ++finishedCount; }});
    }
};

TEST_F(OnboardingViewModelTest, TheTrayPageAppearsOnlyOnADesktopWithoutATray) {
    auto model = makeModel();
    EXPECT_EQ(model->pages(), (QList<Page>{Page::shortcut, Page::accessibility, Page::done}));
    model->back();
    EXPECT_EQ(model->currentIndex(), 0);
    model->next();
    model->next();
    model->next();
    EXPECT_TRUE(model->isLastPage());
    EXPECT_EQ(model->currentPage(), Page::done);

    trayAvailable = false;
    model->restart();
    EXPECT_EQ(model->currentIndex(), 0);
    EXPECT_EQ(model->pages(), (QList<Page>{Page::shortcut, Page::accessibility, Page::tray, Page::done}));
}

TEST_F(OnboardingViewModelTest, FinishingKeepsAWorkingShortcutAndRecordingOnAndMarksOnboardingComplete) {
    // The user deleted the shortcut and switched both kinds of capture off meanwhile.
    defaults.set(PreferenceKeys::textCaptureEnabled, false);
    defaults.set(PreferenceKeys::imageCaptureEnabled, false);
    auto model = makeModel();
    ASSERT_FALSE(AppPreferences(defaults).didCompleteOnboarding());
    EXPECT_EQ(model->openHint(), localizer.text(TextKey::onboardingDoneBody, {QStringLiteral("`quellpad toggle`")}));
    model->finish();
    EXPECT_EQ(finishedCount, 1);
    EXPECT_EQ(defaults.boolValue(PreferenceKeys::didCompleteOnboarding), true);
    EXPECT_EQ(defaults.boolValue(PreferenceKeys::didPresentInitialSettingsWindow), true);
    EXPECT_EQ(defaults.boolValue(PreferenceKeys::textCaptureEnabled), true);
    EXPECT_EQ(defaults.boolValue(PreferenceKeys::imageCaptureEnabled), false);
    EXPECT_EQ(model->shortcut().storedShortcut(), KeyCombo::defaultClipboardHotkey());
    EXPECT_TRUE(service.isGrabbed(KeyCombo::defaultClipboardHotkey().chord()));
    EXPECT_EQ(model->openHint(), localizer.text(TextKey::onboardingDoneBody, {QStringLiteral("Shift+Super+V")}));

    // A shortcut of the user's own is kept.
    const KeyCombo ctrlAltK{40, ModifierFlag::control | ModifierFlag::option};
    ASSERT_TRUE(model->shortcut().change(ctrlAltK));
    model->finish();
    EXPECT_EQ(model->shortcut().storedShortcut(), ctrlAltK);
}

TEST_F(OnboardingViewModelTest, ADefaultThatCannotBeGrabbedNowIsStillStoredForTheNextStart) {
    service.markTaken(KeyCombo::defaultClipboardHotkey().chord());
    auto model = makeModel();
    model->finish();
    EXPECT_EQ(model->shortcut().storedShortcut(), KeyCombo::defaultClipboardHotkey());
    EXPECT_TRUE(AppPreferences(defaults).didCompleteOnboarding());
}

TEST_F(OnboardingViewModelTest, ThePresentationChoiceIsWrittenOnlyInTheDirectChannel) {
    auto direct = makeModel();
    direct->setPresentationMode(DirectClipboardPresentationMode::floating);
    EXPECT_EQ(defaults.stringValue(PreferenceKeys::directClipboardPresentationMode), QStringLiteral("floating"));

    defaults.remove(PreferenceKeys::directClipboardPresentationMode);
    auto store = makeModel(DistributionChannel::appStore);
    EXPECT_FALSE(store->offersPresentationChoice());
    store->setPresentationMode(DirectClipboardPresentationMode::floating);
    EXPECT_FALSE(defaults.object(PreferenceKeys::directClipboardPresentationMode).isValid());
}

TEST_F(OnboardingViewModelTest, TheAccessibilityPageFollowsTheBusAndAsksOnce) {
    auto model = makeModel();
    EXPECT_EQ(model->accessibilityStatus(), AccessibilityPermissionStatus::notDetermined);
    EXPECT_EQ(model->accessibilityText(), localizer.text(TextKey::onboardingAccessibilityOff));
    EXPECT_TRUE(model->canRequestAccessibility());
    model->requestAccessibility();
    EXPECT_EQ(model->accessibilityStatus(), AccessibilityPermissionStatus::denied);
    trusted = true;
    EXPECT_EQ(model->accessibilityText(), localizer.text(TextKey::onboardingAccessibilityAuthorized));
    EXPECT_FALSE(model->canRequestAccessibility());
}

} // namespace
} // namespace quellpad
