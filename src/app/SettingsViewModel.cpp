#include "app/SettingsViewModel.h"

#include "Core/Utilities/Logger.h"
#include "app/ShortcutSettings.h"
#include "hotkey/KeyCombo.h"
#include "localization/Localizer.h"
#include "platform/DefaultsStore.h"
#include "platform/OneShotTimer.h"
#include "settings/AppPreferences.h"

namespace quellpad {

namespace {

OneShotTimerScheduler* ownTimersUnlessGiven(OneShotTimerScheduler* given, std::unique_ptr<OneShotTimerScheduler>& own) {
    if (given) return given;
    own = std::make_unique<QtOneShotTimerScheduler>();
    return own.get();
}

} // namespace

SettingsViewModel::SettingsViewModel(DefaultsStore& defaults, NotificationCenter& notifications,
                                     const Localizer& localizer, Services services, QObject* parent)
    : QObject(parent), defaults_(defaults), language_(defaults, notifications), localizer_(localizer),
      services_(std::move(services)),
      shortcut_(std::make_unique<ShortcutSettings>(defaults, localizer,
                                                   *ownTimersUnlessGiven(services_.timers, ownTimers_),
                                                   services_.panelCoordinator)),
      entryPoint_(defaults, localizer, *shortcut_) {
    connect(&defaults_, &DefaultsStore::changed, this, &SettingsViewModel::notifyChanged);
    connect(shortcut_.get(), &ShortcutSettings::changed, this, &SettingsViewModel::notifyChanged);
}

SettingsViewModel::~SettingsViewModel() = default;

void SettingsViewModel::notifyChanged() { Q_EMIT changed(); }

AppLanguage SettingsViewModel::language() const { return language_.currentLanguage(); }

void SettingsViewModel::setLanguage(AppLanguage language) { language_.setLanguage(language); }

bool SettingsViewModel::showsTrayIcon() const { return AppPreferences(defaults_).menuBarShowIcon(); }

std::optional<EntryPointGuard::Alert> SettingsViewModel::setShowsTrayIcon(bool shows) {
    const std::optional<EntryPointGuard::Alert> alert = entryPoint_.setShowsIcon(shows);
    notifyChanged();
    return alert;
}

std::optional<EntryPointGuard::Alert> SettingsViewModel::deleteShortcut() {
    const std::optional<EntryPointGuard::Alert> alert = entryPoint_.deleteShortcut();
    notifyChanged();
    return alert;
}

bool SettingsViewModel::confirmEntryPointAlert(EntryPointGuard::Alert alert) {
    const bool done = entryPoint_.confirm(alert);
    notifyChanged();
    return done;
}

EntryPointGuard::AlertTexts SettingsViewModel::entryPointAlertTexts(EntryPointGuard::Alert alert) const {
    return entryPoint_.texts(alert);
}

bool SettingsViewModel::resetShortcutToDefault() { return shortcut_->resetToDefault(); }

QString SettingsViewModel::trayIconNotice() const {
    if (!entryPoint_.error().isEmpty()) return entryPoint_.error();
    const AppPreferences preferences(defaults_);
    if (preferences.menuBarShowIcon() && preferences.menuBarStatusItemHiddenBySystem()) {
        return localizer_.text(TextKey::settingsTrayUnavailable, {QStringLiteral("Quellpad")});
    }
    return {};
}

DirectClipboardPresentationMode SettingsViewModel::presentationMode() const {
    return AppPreferences(defaults_).presentationMode(services_.channel);
}

void SettingsViewModel::setPresentationMode(DirectClipboardPresentationMode mode) {
    if (offersPresentationChoice()) AppPreferences(defaults_).setPresentationMode(mode);
}

QString SettingsViewModel::presentationNotice() const {
    const bool placeable = !services_.windowsPlaceable || services_.windowsPlaceable();
    return offersPresentationChoice() && !placeable ? localizer_.text(TextKey::settingsPresentationWaylandNotice)
                                                    : QString();
}

FloatingClipboardListStyle SettingsViewModel::floatingListStyle() const {
    return AppPreferences(defaults_).floatingListStyle(services_.channel);
}

void SettingsViewModel::setFloatingListStyle(FloatingClipboardListStyle style) {
    if (offersPresentationChoice()) AppPreferences(defaults_).setFloatingListStyle(style);
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
