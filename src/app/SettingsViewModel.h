// What the settings window's General page shows and changes, without widgets (the other
// pages have view models of their own). Every setter writes the
// defaults store at once (the running app reads its settings at the moment of use), and
// `changed` fires after any stored value changed, here or from another process, so the
// window re-reads everything, its texts included.
#pragma once

#include <functional>
#include <memory>
#include <optional>

#include <QObject>
#include <QString>
#include <QStringList>

#include "app/EntryPointGuard.h"
#include "app/LaunchAtLoginManager.h"
#include "app/ShortcutSettings.h"
#include "localization/AppLanguage.h"
#include "settings/DistributionChannel.h"
#include "settings/PanelPresentation.h"
#include "platform/OneShotTimer.h"

namespace quellpad {

class ClipboardPanelCoordinator;
class DefaultsStore;
class Localizer;
class NotificationCenter;

class SettingsViewModel final : public QObject {
    Q_OBJECT
public:
    struct Services {
        // Absent: the launch-at-login switch is disabled.
        LaunchAtLoginManaging* launchAtLogin = nullptr;
        // Registers the recorded shortcut; absent: no shortcut can be registered.
        ClipboardPanelCoordinator* panelCoordinator = nullptr;
        // The recorder's settle delay; absent: Qt's timers.
        OneShotTimerScheduler* timers = nullptr;
        // Presentation mode and list style apply only in the `direct` channel.
        DistributionChannel channel = DistributionChannel::direct;
        // Whether the app may place its own windows (not on native Wayland); absent: it may.
        std::function<bool()> windowsPlaceable = nullptr;
    };

    SettingsViewModel(DefaultsStore& defaults, NotificationCenter& notifications, const Localizer& localizer,
                      Services services, QObject* parent = nullptr);
    ~SettingsViewModel() override;

    const Localizer& localizer() const { return localizer_; }

    // General
    AppLanguage language() const;
    void setLanguage(AppLanguage language);
    bool showsTrayIcon() const;
    // Hiding the icon without a panel shortcut changes nothing and returns the alert
    // to confirm (the app must keep a way in); confirmEntryPointAlert runs its action.
    std::optional<EntryPointGuard::Alert> setShowsTrayIcon(bool shows);
    // Deleting the shortcut while the icon is not shown asks first, the same way.
    std::optional<EntryPointGuard::Alert> deleteShortcut();
    bool confirmEntryPointAlert(EntryPointGuard::Alert alert);
    EntryPointGuard::AlertTexts entryPointAlertTexts(EntryPointGuard::Alert alert) const;
    bool resetShortcutToDefault();
    ShortcutSettings& shortcut() { return *shortcut_; }
    // Why the icon is hidden or could not be hidden; empty when nothing to say.
    QString trayIconNotice() const;
    bool offersPresentationChoice() const { return services_.channel == DistributionChannel::direct; }
    DirectClipboardPresentationMode presentationMode() const;
    void setPresentationMode(DirectClipboardPresentationMode mode);
    // Why the floating panel cannot follow the text cursor here; empty when it can.
    QString presentationNotice() const;
    FloatingClipboardListStyle floatingListStyle() const;
    void setFloatingListStyle(FloatingClipboardListStyle style);
    bool launchAtLoginEnabled() const;
    bool launchAtLoginAvailable() const;
    // Refreshed from the manager's status afterwards, whether it worked or not.
    void setLaunchAtLoginEnabled(bool enabled);
    const QString& launchAtLoginError() const { return launchAtLoginError_; }
    bool returnKeyAutoPasteEnabled() const;
    void setReturnKeyAutoPasteEnabled(bool enabled);


Q_SIGNALS:
    void changed();

private:
    void notifyChanged();

    DefaultsStore& defaults_;
    AppLanguageSettings language_;
    const Localizer& localizer_;
    Services services_;
    std::unique_ptr<OneShotTimerScheduler> ownTimers_;
    std::unique_ptr<ShortcutSettings> shortcut_;
    EntryPointGuard entryPoint_;
    QString launchAtLoginError_;
};

} // namespace quellpad
