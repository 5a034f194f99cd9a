#include "app/AccessibilityPermissionManager.h"

#include "platform/DefaultsStore.h"
#include "platform/OneShotTimer.h"
#include "settings/PreferenceKeys.h"

namespace quellpad {

AccessibilityPermissionManager::AccessibilityPermissionManager(
    DefaultsStore& userDefaults, OneShotTimerScheduler& timers, std::function<bool()> trustChecker,
    std::function<bool()> permissionRequester, std::function<void(const QUrl&)> openSystemSettingsHandler,
    QUrl systemSettingsUrl)
    : userDefaults_(userDefaults),
      timers_(timers),
      trustChecker_(std::move(trustChecker)),
      permissionRequester_(std::move(permissionRequester)),
      openSystemSettingsHandler_(std::move(openSystemSettingsHandler)),
      systemSettingsUrl_(std::move(systemSettingsUrl)) {}

AccessibilityPermissionManager::~AccessibilityPermissionManager() = default;

AccessibilityPermissionStatus AccessibilityPermissionManager::status() const {
    if (isTrusted()) return AccessibilityPermissionStatus::authorized;
    return userDefaults_.boolValue(PreferenceKeys::accessibilityPermissionPromptRequested).value_or(false)
               ? AccessibilityPermissionStatus::denied
               : AccessibilityPermissionStatus::notDetermined;
}

void AccessibilityPermissionManager::requestPermission() {
    userDefaults_.set(PreferenceKeys::accessibilityPermissionPromptRequested, true);
    if (permissionRequester_) {
        permissionRequester_();
    }
    // The handle dies with the manager, so the delayed step never outlives it.
    settingsTimer_ = timers_.schedule(settingsDelaySeconds, [this] { openSystemSettings(); });
}

void AccessibilityPermissionManager::openSystemSettings() {
    if (!systemSettingsUrl_.isValid() || systemSettingsUrl_.isEmpty() || !openSystemSettingsHandler_) {
        return;
    }
    openSystemSettingsHandler_(systemSettingsUrl_);
}

} // namespace quellpad
