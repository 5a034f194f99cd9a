// The panel shortcut as the settings edit it, over the real coordinator and hotkey
// manager on a fake hot-key service: recording suspends the grab, a recorded or reset
// combination is stored only once registered, and the entry-point guard never lets the
// app lose both the tray icon and the shortcut.
#include <gtest/gtest.h>

#include "app/ClipboardPanelCoordinator.h"
#include "app/EntryPointGuard.h"
#include "app/LoggingClipboardPanel.h"
#include "app/ShortcutSettings.h"
#include "hotkey/HotkeyManager.h"
#include "localization/Localizer.h"
#include "platform/fake/FakeHotKeyService.h"
#include "platform/fake/InMemoryDefaultsStore.h"
#include "platform/fake/ManualTimerScheduler.h"
#include "settings/PreferenceKeys.h"
#include "support/TestSupport.h"

namespace quellpad {
namespace {

using namespace ModifierFlag;
const KeyCombo superShiftV = KeyCombo::defaultClipboardHotkey();
const KeyCombo ctrlAltK{40, control | option};
const KeyCombo ctrlAltSpace{49, control | option};

class ShortcutSettingsTest : public ::testing::Test {
protected:
    FakeHotKeyService service;
    InMemoryDefaultsStore defaults;
    HotkeyManager hotkeys{service, defaults};
    LoggingClipboardPanel panel;
    ClipboardPanelCoordinator coordinator{&hotkeys, defaults, panel, nullptr};
    ManualTimerScheduler timers;
    Localizer localizer{defaults};
    ShortcutSettings shortcut{defaults, localizer, timers, &coordinator};
    EntryPointGuard guard{defaults, localizer, shortcut};

    void SetUp() override { coordinator.start(); }

    void record(const KeyCombo& combo) {
        shortcut.recorder().mouseDown();
        shortcut.recorder().keyDown(combo.keyCode, combo.modifierFlags);
        ASSERT_TRUE(timers.fireNext());
    }
    bool pressOpensPanel(const KeyCombo& combo) {
        const bool wasVisible = panel.isVisible();
        if (!service.press(combo.chord())) return false;
        test::drainEvents();
        return panel.isVisible() != wasVisible;
    }
    bool iconStoredShown() const { return defaults.boolValue(PreferenceKeys::menuBarShowIcon).value_or(true); }
};

TEST_F(ShortcutSettingsTest, RecordingSuspendsTheShortcutAndKeepsOnlyACombinationThatRegistered) {
    ASSERT_EQ(shortcut.storedShortcut(), superShiftV);
    shortcut.recorder().mouseDown();
    EXPECT_TRUE(coordinator.isClipboardHotkeySuspended());
    EXPECT_FALSE(pressOpensPanel(superShiftV)) << "the current shortcut is released while recording";
    shortcut.recorder().keyDown(ctrlAltK.keyCode, ctrlAltK.modifierFlags);
    ASSERT_TRUE(timers.fireNext());
    EXPECT_FALSE(coordinator.isClipboardHotkeySuspended());
    EXPECT_EQ(shortcut.storedShortcut(), ctrlAltK);
    EXPECT_TRUE(shortcut.error().isEmpty());
    EXPECT_FALSE(service.isGrabbed(superShiftV.chord()));
    EXPECT_TRUE(pressOpensPanel(ctrlAltK));

    // Held by another client: reported, and the previous shortcut is back in force.
    service.markTaken(ctrlAltSpace.chord());
    record(ctrlAltSpace);
    EXPECT_EQ(shortcut.error(), localizer.text(TextKey::settingsHotkeyUnavailable, {QStringLiteral("Ctrl+Alt+Space")}));
    EXPECT_EQ(shortcut.storedShortcut(), ctrlAltK);
    EXPECT_EQ(shortcut.recorder().keyCombo(), ctrlAltK) << "the control shows what is in force";
    EXPECT_TRUE(service.isGrabbed(ctrlAltK.chord()));

    // Ctrl+V would break pasting everywhere: refused before reaching the desktop.
    const int attempts = service.registrationAttempts;
    record(KeyCombo{9, control});
    EXPECT_EQ(shortcut.error(), localizer.text(TextKey::settingsHotkeyRefused, {QStringLiteral("Ctrl+V")}));
    EXPECT_EQ(service.registrationAttempts, attempts + 1) << "only the resumed shortcut was registered";
    EXPECT_EQ(shortcut.storedShortcut(), ctrlAltK);

    // Escape with nothing pressed: recording ends and the shortcut comes back.
    shortcut.recorder().mouseDown();
    shortcut.recorder().keyDown(KeyCode::escape, 0);
    EXPECT_FALSE(coordinator.isClipboardHotkeySuspended());
    EXPECT_TRUE(service.isGrabbed(ctrlAltK.chord()));
}

TEST_F(ShortcutSettingsTest, ResetToDefaultAndDeleteChangeTheGrabAndTheStoredValue) {
    ASSERT_TRUE(shortcut.change(ctrlAltK));
    EXPECT_TRUE(shortcut.resetToDefault());
    EXPECT_EQ(shortcut.storedShortcut(), superShiftV);
    EXPECT_TRUE(service.isGrabbed(superShiftV.chord()));
    EXPECT_FALSE(service.isGrabbed(ctrlAltK.chord()));

    EXPECT_FALSE(guard.deleteShortcut()) << "the icon is shown: deleted at once";
    EXPECT_FALSE(defaults.object(PreferenceKeys::clipboardHistoryHotkey).isValid());
    EXPECT_TRUE(service.grabs.empty());
    EXPECT_FALSE(shortcut.recorder().keyCombo());
    EXPECT_EQ(shortcut.recorder().displayState().style, KeyComboRecorder::DisplayStyle::placeholder);

    service.markTaken(superShiftV.chord());
    EXPECT_FALSE(shortcut.resetToDefault());
    EXPECT_FALSE(shortcut.storedShortcut());
    EXPECT_FALSE(shortcut.error().isEmpty());

    // `quellpad config set` from a terminal: the control follows.
    defaults.set(PreferenceKeys::clipboardHistoryHotkey, ctrlAltSpace.toJson());
    EXPECT_EQ(shortcut.recorder().keyCombo(), ctrlAltSpace);
}

TEST_F(ShortcutSettingsTest, HidingTheIconWithoutAShortcutAsksToRestoreTheDefaultAndHidesOnlyOnceItWorks) {
    guard.deleteShortcut();
    defaults.set(PreferenceKeys::menuBarStatusItemHiddenBySystem, true);
    EXPECT_EQ(guard.setShowsIcon(false), EntryPointGuard::Alert::shortcutRequired);
    EXPECT_TRUE(iconStoredShown()) << "nothing changes before the answer";
    const EntryPointGuard::AlertTexts texts = guard.texts(EntryPointGuard::Alert::shortcutRequired);
    EXPECT_EQ(texts.message, QStringLiteral("A Shortcut Is Required"));
    EXPECT_EQ(texts.informativeText,
              QStringLiteral("Before removing Quellpad from the menu bar, keep a global shortcut so you can open "
                             "clipboard history again. Restore the default shortcut Shift+Super+V and continue?"));
    EXPECT_EQ(texts.cancelTitle, QStringLiteral("Cancel"));
    EXPECT_EQ(texts.confirmTitle, QStringLiteral("Restore Shortcut and Hide"));

    // The default is held by another client: the icon stays, and the error says why.
    service.markTaken(superShiftV.chord());
    EXPECT_FALSE(guard.confirm(EntryPointGuard::Alert::shortcutRequired));
    EXPECT_TRUE(iconStoredShown());
    EXPECT_FALSE(shortcut.storedShortcut());
    EXPECT_EQ(guard.error(), localizer.text(TextKey::settingsHotkeyRestoreFailed, {QStringLiteral("Shift+Super+V")}));

    service.release(superShiftV.chord());
    EXPECT_TRUE(guard.confirm(EntryPointGuard::Alert::shortcutRequired));
    EXPECT_FALSE(iconStoredShown());
    EXPECT_EQ(defaults.boolValue(PreferenceKeys::menuBarStatusItemHiddenBySystem), false);
    EXPECT_EQ(shortcut.storedShortcut(), superShiftV);
    EXPECT_TRUE(pressOpensPanel(superShiftV)) << "the restored shortcut really works";
    EXPECT_TRUE(guard.error().isEmpty());

    // With a shortcut the icon goes and comes back at once.
    EXPECT_FALSE(guard.setShowsIcon(true));
    EXPECT_TRUE(iconStoredShown());
    EXPECT_FALSE(guard.setShowsIcon(false));
    EXPECT_FALSE(iconStoredShown());
}

TEST_F(ShortcutSettingsTest, DeletingTheShortcutWhileTheIconIsNotShownAsksToShowItAgain) {
    const EntryPointGuard::AlertTexts texts = guard.texts(EntryPointGuard::Alert::keepEntryPoint);
    EXPECT_EQ(texts.message, QStringLiteral("Keep an Entry Point Available"));
    EXPECT_EQ(texts.informativeText,
              QStringLiteral("Quellpad is already removed from the menu bar. Before deleting the global shortcut, show "
                             "the menu bar icon again so clipboard history still has an entry point."));
    EXPECT_EQ(texts.confirmTitle, QStringLiteral("Show Menu Bar and Remove Shortcut"));

    // Switched on but hidden by the system (no tray) is not an entry point either.
    defaults.set(PreferenceKeys::menuBarStatusItemHiddenBySystem, true);
    EXPECT_EQ(guard.deleteShortcut(), EntryPointGuard::Alert::keepEntryPoint);
    EXPECT_EQ(shortcut.storedShortcut(), superShiftV) << "nothing changes before the answer";
    defaults.set(PreferenceKeys::menuBarStatusItemHiddenBySystem, false);

    defaults.set(PreferenceKeys::menuBarShowIcon, false);
    EXPECT_EQ(guard.deleteShortcut(), EntryPointGuard::Alert::keepEntryPoint);
    EXPECT_TRUE(service.isGrabbed(superShiftV.chord()));
    EXPECT_TRUE(guard.confirm(EntryPointGuard::Alert::keepEntryPoint));
    EXPECT_TRUE(iconStoredShown());
    EXPECT_FALSE(shortcut.storedShortcut());
    EXPECT_TRUE(service.grabs.empty());
}

} // namespace
} // namespace quellpad
