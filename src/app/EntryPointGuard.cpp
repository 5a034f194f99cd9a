#include "app/EntryPointGuard.h"

#include "app/ShortcutSettings.h"
#include "localization/Localizer.h"
#include "settings/AppPreferences.h"

namespace quellpad {

EntryPointGuard::EntryPointGuard(DefaultsStore& defaults, const Localizer& localizer, ShortcutSettings& shortcut)
    : defaults_(defaults), localizer_(localizer), shortcut_(shortcut) {}

bool EntryPointGuard::isIconHidden() const {
    const AppPreferences preferences(defaults_);
    return !preferences.menuBarShowIcon() || preferences.menuBarStatusItemHiddenBySystem();
}

bool EntryPointGuard::hasShortcut() const { return shortcut_.storedShortcut().has_value(); }

std::optional<EntryPointGuard::Alert> EntryPointGuard::setShowsIcon(bool shows) {
    error_.clear();
    AppPreferences preferences(defaults_);
    if (!shows && !hasShortcut()) return Alert::shortcutRequired;
    if (preferences.menuBarShowIcon() != shows) preferences.setMenuBarShowIcon(shows);
    return std::nullopt;
}

std::optional<EntryPointGuard::Alert> EntryPointGuard::deleteShortcut() {
    error_.clear();
    if (isIconHidden() && hasShortcut()) return Alert::keepEntryPoint;
    shortcut_.deleteShortcut();
    return std::nullopt;
}

bool EntryPointGuard::confirm(Alert alert) {
    AppPreferences preferences(defaults_);
    switch (alert) {
    case Alert::shortcutRequired:
        // Hidden only once the shortcut really works: otherwise the app would have no way in.
        if (!shortcut_.resetToDefault()) {
            error_ = localizer_.text(TextKey::settingsHotkeyRestoreFailed,
                                     {KeyCombo::defaultClipboardHotkey().desktopText()});
            return false;
        }
        error_.clear();
        preferences.setMenuBarShowIcon(false); // also clears the hidden-by-system flag
        return true;
    case Alert::keepEntryPoint:
        error_.clear();
        preferences.setMenuBarShowIcon(true);
        shortcut_.deleteShortcut();
        return true;
    }
    return false;
}

EntryPointGuard::AlertTexts EntryPointGuard::texts(Alert alert) const {
    switch (alert) {
    case Alert::shortcutRequired:
        return {localizer_.text(TextKey::alertShortcutRequiredTitle),
                localizer_.text(TextKey::alertShortcutRequiredText, {KeyCombo::defaultClipboardHotkey().desktopText()}),
                localizer_.text(TextKey::cancel), localizer_.text(TextKey::alertRestoreShortcutAndHide)};
    case Alert::keepEntryPoint:
        return {localizer_.text(TextKey::alertKeepEntryPointTitle), localizer_.text(TextKey::alertKeepEntryPointText),
                localizer_.text(TextKey::cancel), localizer_.text(TextKey::alertShowMenuBarAndRemoveShortcut)};
    }
    return {};
}

} // namespace quellpad
