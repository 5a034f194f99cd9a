#include "app/SettingsViewModel.h"

#include <algorithm>

#include "Core/Utilities/Logger.h"
#include "capture/ClipboardIgnoredAppsSettings.h"
#include "hotkey/KeyCombo.h"
#include "localization/Localizer.h"
#include "platform/DefaultsStore.h"
#include "platform/Workspace.h"
#include "settings/AppPreferences.h"

namespace quellpad {

namespace {

constexpr int minimumItemSizeInMB = 1;
constexpr int maximumItemSizeInMB = 500;

} // namespace

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

bool SettingsViewModel::textCaptureEnabled() const { return AppPreferences(defaults_).textCaptureEnabled(); }

void SettingsViewModel::setTextCaptureEnabled(bool enabled) { AppPreferences(defaults_).setTextCaptureEnabled(enabled); }

bool SettingsViewModel::imageCaptureEnabled() const { return AppPreferences(defaults_).imageCaptureEnabled(); }

void SettingsViewModel::setImageCaptureEnabled(bool enabled) {
    AppPreferences(defaults_).setImageCaptureEnabled(enabled);
}

int SettingsViewModel::maxItemSizeInMB() const { return static_cast<int>(AppPreferences(defaults_).maxItemSizeInMB()); }

void SettingsViewModel::setMaxItemSizeInMB(int megabytes) {
    AppPreferences(defaults_).setMaxItemSizeInMB(std::clamp(megabytes, minimumItemSizeInMB, maximumItemSizeInMB));
}

QString SettingsViewModel::dataDirectoryPath() const {
    return services_.dataDirectoryPath ? services_.dataDirectoryPath() : QString();
}

void SettingsViewModel::revealDataDirectory() {
    QString error;
    if (!services_.workspace) {
        error = localizer_.text(TextKey::settingsNoFileManager);
    } else if (services_.workspace->revealFile(dataDirectoryPath(), &error)) {
        error.clear();
    } else if (error.isEmpty()) {
        error = localizer_.text(TextKey::settingsNoFileManager);
    }
    revealError_ = error.isEmpty() ? QString() : localizer_.text(TextKey::settingsRevealFailed, {error});
    notifyChanged();
}

QStringList SettingsViewModel::ignoredApps() const {
    return services_.ignoredApps ? services_.ignoredApps->ignoredAppBundleIdentifiers() : QStringList();
}

QList<std::pair<QString, QString>> SettingsViewModel::addableApplications() const {
    if (!services_.installedApplications) return {};
    const QStringList ignored = ignoredApps();
    QList<std::pair<QString, QString>> addable;
    for (const auto& application : services_.installedApplications()) {
        if (!ignored.contains(application.first)) addable.append(application);
    }
    std::stable_sort(addable.begin(), addable.end(), [](const auto& a, const auto& b) {
        return QString::localeAwareCompare(a.second, b.second) < 0;
    });
    return addable;
}

void SettingsViewModel::addIgnoredApp(const QString& identifier) {
    if (services_.ignoredApps) services_.ignoredApps->addIgnoredApp(identifier);
}

void SettingsViewModel::removeIgnoredApp(const QString& identifier) {
    if (services_.ignoredApps) services_.ignoredApps->removeIgnoredApp(identifier);
}

bool SettingsViewModel::pinyinIndexEnabled() const { return AppPreferences(defaults_).searchPinyinIndexEnabled(); }

void SettingsViewModel::setPinyinIndexEnabled(bool enabled) {
    AppPreferences(defaults_).setSearchPinyinIndexEnabled(enabled);
}

QString SettingsViewModel::accessibilityStatusLine() const {
    const bool available = services_.isAccessibilityAvailable && services_.isAccessibilityAvailable();
    return localizer_.text(available ? TextKey::settingsAccessibilityAvailable : TextKey::settingsAccessibilityUnavailable);
}

} // namespace quellpad
