// The tray item's state: whether it shows, its recording state, menu and tooltip,
// refreshed when the settings it depends on change. A refresh while the menu is open
// waits for it to close, but never for long: some tray hosts never say that their
// menu closed. "No tray" (GNOME without an extension) is recorded as hidden by the
// system, checked at each refresh and on a slow timer. No widgets here; the tray
// widget binds it. Main thread only.
#pragma once

#include <functional>
#include <memory>
#include <set>
#include <vector>

#include <QObject>
#include <QString>

#include "app/MenuBarMenuModel.h"

namespace quellpad {

class DefaultsStore;
class Localizer;
class OneShotTimerScheduler;
class ScheduledTimer;

class MenuBarManager final : public QObject {
    Q_OBJECT
public:
    static constexpr double longestDeferredRefreshSeconds = 3.0;
    static constexpr double trayAvailabilityCheckSeconds = 30.0;

    struct Hooks {
        std::function<void(MenuBarAction)> perform;
        std::function<bool()> isMonitoringPaused;
        std::function<bool()> isTrayAvailable;
        std::set<MenuBarAction> availableActions;
    };

    MenuBarManager(DefaultsStore& defaults, const Localizer& localizer, OneShotTimerScheduler& timers, Hooks hooks,
                   QString displayName = QStringLiteral("Quellpad"), QObject* parent = nullptr);
    ~MenuBarManager() override;

    bool showsIcon() const { return showsIcon_; }
    MenuBarRecordingState recordingState() const { return state_; }
    const std::vector<MenuBarMenuEntry>& menu() const { return menu_; }
    const QString& toolTip() const { return toolTip_; }
    const QString& displayName() const { return displayName_; }

    void refresh();
    void menuWillOpen();
    void menuDidClose();
    void perform(MenuBarAction action);

Q_SIGNALS:
    // The icon, tooltip or menu changed; the widget rebinds.
    void changed();

private:
    struct ObservedSettings {
        bool textCaptureEnabled = true;
        bool imageCaptureEnabled = true;
        bool showsIcon = true;
        bool hasClipboardHistoryHotkey = false;
        bool operator==(const ObservedSettings&) const = default;
    };
    ObservedSettings observe() const;
    void refreshNow();
    void checkTrayAvailability();
    void scheduleAvailabilityCheck();

    DefaultsStore& defaults_;
    const Localizer& localizer_;
    OneShotTimerScheduler& timers_;
    Hooks hooks_;
    QString displayName_;
    ObservedSettings lastObserved_;
    bool showsIcon_ = true;
    MenuBarRecordingState state_ = MenuBarRecordingState::recording;
    std::vector<MenuBarMenuEntry> menu_;
    QString toolTip_;
    bool isMenuOpen_ = false;
    bool needsMenuRefreshAfterClose_ = false;
    std::unique_ptr<ScheduledTimer> deferredRefresh_;
    std::unique_ptr<ScheduledTimer> availabilityCheck_;
};

} // namespace quellpad
