#include "app/MenuBarManager.h"

#include "Core/Utilities/Logger.h"
#include "hotkey/KeyCombo.h"
#include "localization/Localizer.h"
#include "platform/DefaultsStore.h"
#include "platform/OneShotTimer.h"
#include "settings/AppPreferences.h"
#include "settings/PreferenceKeys.h"

namespace quellpad {

namespace {
const QString category = QStringLiteral("MenuBarManager");
}

MenuBarManager::MenuBarManager(DefaultsStore& defaults, const Localizer& localizer, OneShotTimerScheduler& timers,
                               Hooks hooks, QString displayName, QObject* parent)
    : QObject(parent),
      defaults_(defaults),
      localizer_(localizer),
      timers_(timers),
      hooks_(std::move(hooks)),
      displayName_(std::move(displayName)) {
    lastObserved_ = observe();
    connect(&defaults_, &DefaultsStore::changed, this, [this](const QString& key) {
        const ObservedSettings observed = observe();
        // The language changes every text; the other keys matter only through the four values.
        if (observed != lastObserved_ || key == PreferenceKeys::appLanguage) {
            lastObserved_ = observed;
            refresh();
        }
    });
    refreshNow();
    scheduleAvailabilityCheck();
}

MenuBarManager::~MenuBarManager() = default;

MenuBarManager::ObservedSettings MenuBarManager::observe() const {
    const AppPreferences preferences(defaults_);
    ObservedSettings observed;
    observed.textCaptureEnabled = preferences.textCaptureEnabled();
    observed.imageCaptureEnabled = preferences.imageCaptureEnabled();
    observed.showsIcon = preferences.menuBarShowIcon();
    const std::optional<QByteArray> stored = defaults_.bytesValue(PreferenceKeys::clipboardHistoryHotkey);
    observed.hasClipboardHistoryHotkey = stored && KeyCombo::fromJson(*stored).has_value();
    return observed;
}

void MenuBarManager::refresh() {
    if (isMenuOpen_) {
        needsMenuRefreshAfterClose_ = true;
        // A host that never reports the menu closing must not keep a stale menu for ever.
        if (!deferredRefresh_) {
            deferredRefresh_ = timers_.schedule(longestDeferredRefreshSeconds, [this] {
                deferredRefresh_.reset();
                if (!needsMenuRefreshAfterClose_) return;
                Logger::info(QStringLiteral("Tray menu still reported open; refreshing it anyway"), category);
                isMenuOpen_ = false;
                needsMenuRefreshAfterClose_ = false;
                refreshNow();
            });
        }
        return;
    }
    refreshNow();
}

void MenuBarManager::refreshNow() {
    checkTrayAvailability();
    const AppPreferences preferences(defaults_);
    showsIcon_ = preferences.menuBarShowIcon();
    state_ = MenuBarMenuModel::recordingState(defaults_, hooks_.isMonitoringPaused && hooks_.isMonitoringPaused());
    menu_ = MenuBarMenuModel::entries(state_, hooks_.availableActions, localizer_, displayName_);
    toolTip_ = MenuBarMenuModel::toolTip(state_, localizer_, displayName_);
    Q_EMIT changed();
}

void MenuBarManager::menuWillOpen() {
    isMenuOpen_ = true;
}

void MenuBarManager::menuDidClose() {
    isMenuOpen_ = false;
    deferredRefresh_.reset();
    if (needsMenuRefreshAfterClose_) {
        needsMenuRefreshAfterClose_ = false;
        refreshNow();
    }
}

void MenuBarManager::perform(MenuBarAction action) {
    if (hooks_.perform) hooks_.perform(action);
    if (action == MenuBarAction::toggleTemporaryMonitoring) {
        // The menu is closing as this runs; the new state must show at once.
        isMenuOpen_ = false;
        needsMenuRefreshAfterClose_ = false;
        deferredRefresh_.reset();
        refreshNow();
    }
}

void MenuBarManager::checkTrayAvailability() {
    if (!hooks_.isTrayAvailable) return;
    AppPreferences preferences(defaults_);
    const bool hidden = preferences.menuBarShowIcon() && !hooks_.isTrayAvailable();
    if (hidden != preferences.menuBarStatusItemHiddenBySystem()) {
        Logger::info(hidden ? QStringLiteral("No system tray is available; the tray icon is hidden by the system")
                            : QStringLiteral("A system tray is available again"),
                     category);
        // "MenuBarShowIcon" stays as the user set it.
        preferences.setMenuBarStatusItemHiddenBySystem(hidden);
    }
}

void MenuBarManager::scheduleAvailabilityCheck() {
    availabilityCheck_ = timers_.schedule(trayAvailabilityCheckSeconds, [this] {
        const bool before = AppPreferences(defaults_).menuBarStatusItemHiddenBySystem();
        checkTrayAvailability();
        // A tray that appeared (an extension enabled, a panel restarted) gets the icon.
        if (before != AppPreferences(defaults_).menuBarStatusItemHiddenBySystem()) refresh();
        scheduleAvailabilityCheck();
    });
}

} // namespace quellpad
