// Whether the accessibility interface may be used, and asking for it once. On Linux
// "trusted" means the AT-SPI bus is reachable and enabled; the request enables it.
// The checks are injected so that the logic runs without a desktop.
#pragma once

#include <functional>
#include <memory>

#include <QString>
#include <QUrl>

#include "Core/Utilities/RawValueEnum.h"

namespace quellpad {

class DefaultsStore;
class OneShotTimerScheduler;
class ScheduledTimer;

enum class AccessibilityPermissionStatus { authorized, denied, notDetermined, unknown };

class AccessibilityPermissionManager {
public:
    AccessibilityPermissionManager(DefaultsStore& userDefaults, OneShotTimerScheduler& timers,
                                   std::function<bool()> trustChecker, std::function<bool()> permissionRequester,
                                   std::function<void(const QUrl&)> openSystemSettingsHandler,
                                   QUrl systemSettingsUrl = {});
    ~AccessibilityPermissionManager();

    bool isTrusted() const { return trustChecker_ ? trustChecker_() : false; }
    AccessibilityPermissionStatus status() const;
    // Stores that the request was made, asks the desktop, and 0.5 s later opens the
    // accessibility settings (when a page for them is known).
    void requestPermission();
    void openSystemSettings();

    static constexpr double settingsDelaySeconds = 0.5;

private:
    DefaultsStore& userDefaults_;
    OneShotTimerScheduler& timers_;
    std::function<bool()> trustChecker_;
    std::function<bool()> permissionRequester_;
    std::function<void(const QUrl&)> openSystemSettingsHandler_;
    QUrl systemSettingsUrl_;
    std::unique_ptr<ScheduledTimer> settingsTimer_;
};

} // namespace quellpad
