#include "app/SettingsViewModel.h"

#include <algorithm>

#include "Core/Utilities/Logger.h"
#include "app/ShortcutSettings.h"
#include "capture/ClipboardIgnoredAppsSettings.h"
#include "hotkey/KeyCombo.h"
#include "localization/Localizer.h"
#include "platform/DefaultsStore.h"
#include "platform/OneShotTimer.h"
#include "platform/Workspace.h"
#include "settings/AppPreferences.h"

namespace quellpad {

namespace {

constexpr int minimumItemSizeInMB = 1;
constexpr int maximumItemSizeInMB = 500;

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
