#include "app/SettingsViewModel.h"

#include "Core/Utilities/Logger.h"
#include "hotkey/KeyCombo.h"
#include "localization/Localizer.h"
#include "platform/DefaultsStore.h"
#include "settings/AppPreferences.h"

namespace quellpad {

SettingsViewModel::SettingsViewModel(DefaultsStore& defaults, NotificationCenter& notifications,
                                     const Localizer& localizer, Services services, QObject* parent)
    : QObject(parent), defaults_(defaults), language_(defaults, notifications), localizer_(localizer),
      services_(std::move(services)) {
    connect(&defaults_, &DefaultsStore::changed, this, [this] {
        // A shortcut stored meanwhile (or the icon shown again) answers the earlier refusal.
        if (trayIconNeedsShortcut_ && (!showsTrayIcon() || hasPanelShortcut())) {
            trayIconNeedsShortcut_ = false;
        }
        notifyChanged();
    });
}

void SettingsViewModel::notifyChanged() { Q_EMIT changed(); }

AppLanguage SettingsViewModel::language() const { return language_.currentLanguage(); }

void SettingsViewModel::setLanguage(AppLanguage language) { language_.setLanguage(language); }

bool SettingsViewModel::showsTrayIcon() const { return AppPreferences(defaults_).menuBarShowIcon(); }

void SettingsViewModel::setShowsTrayIcon(bool shows) {
    AppPreferences preferences(defaults_);
    if (!shows && !hasPanelShortcut()) {
        trayIconNeedsShortcut_ = true;
        notifyChanged();
        return;
    }
    trayIconNeedsShortcut_ = false;
    if (shows == preferences.menuBarShowIcon()) {
        notifyChanged();
        return;
    }
    preferences.setMenuBarShowIcon(shows);
}

bool SettingsViewModel::hasPanelShortcut() const {
    const std::optional<QByteArray> stored = AppPreferences(defaults_).clipboardHistoryHotkeyData();
    return stored && KeyCombo::fromJson(*stored).has_value();
}

QString SettingsViewModel::trayIconNotice() const {
    if (trayIconNeedsShortcut_) {
        return localizer_.text(TextKey::settingsShowIconNeedsShortcut);
    }
    const AppPreferences preferences(defaults_);
    if (preferences.menuBarShowIcon() && preferences.menuBarStatusItemHiddenBySystem()) {
        return localizer_.text(TextKey::settingsTrayUnavailable, {QStringLiteral("Quellpad")});
    }
    return {};
}

bool SettingsViewModel::launchAtLoginAvailable() const { return services_.launchAtLogin != nullptr; }

bool SettingsViewModel::launchAtLoginEnabled() const {
    return services_.launchAtLogin && services_.launchAtLogin->status() == LaunchAtLoginStatus::enabled;
}

void SettingsViewModel::setLaunchAtLoginEnabled(bool enabled) {
    if (!services_.launchAtLogin) return;
    try {
        services_.launchAtLogin->setEnabled(enabled);
        launchAtLoginError_.clear();
    } catch (const LaunchAtLoginManagerError& error) {
        Logger::error(QStringLiteral("Failed to update launch at login: ") + error.description(),
                      QStringLiteral("ShortcutsSettings"));
        launchAtLoginError_ = localizer_.text(TextKey::settingsLaunchAtLoginFailed, {error.description()});
    }
    // The autostart entry is a file, not a default: nothing else reports the change.
    notifyChanged();
}

bool SettingsViewModel::returnKeyAutoPasteEnabled() const {
    return AppPreferences(defaults_).directPasteReturnKeyAutoPasteEnabled();
}

void SettingsViewModel::setReturnKeyAutoPasteEnabled(bool enabled) {
    AppPreferences(defaults_).setDirectPasteReturnKeyAutoPasteEnabled(enabled);
}

} // namespace quellpad
