// What the settings window's General page shows and changes, without widgets (the other
// pages have view models of their own). Every setter writes the
// defaults store at once (the running app reads its settings at the moment of use), and
// `changed` fires after any stored value changed, here or from another process, so the
// window re-reads everything, its texts included.
#pragma once

#include <functional>
#include <optional>

#include <QObject>
#include <QString>

#include "app/LaunchAtLoginManager.h"
#include "localization/AppLanguage.h"

namespace quellpad {

class DefaultsStore;
class Localizer;
class NotificationCenter;

class SettingsViewModel final : public QObject {
    Q_OBJECT
public:
    struct Services {
        // Absent: the launch-at-login switch is disabled.
        LaunchAtLoginManaging* launchAtLogin = nullptr;
    };

    SettingsViewModel(DefaultsStore& defaults, NotificationCenter& notifications, const Localizer& localizer,
                      Services services, QObject* parent = nullptr);

    const Localizer& localizer() const { return localizer_; }

    // General
    AppLanguage language() const;
    void setLanguage(AppLanguage language);
    bool showsTrayIcon() const;
    // Hiding the icon needs a stored panel shortcut, so the app keeps a way in; without
    // one nothing is stored and `trayIconNotice` says why.
    void setShowsTrayIcon(bool shows);
    // Why the icon is not shown or could not be hidden; empty when nothing to say.
    QString trayIconNotice() const;
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
    // A stored panel shortcut that decodes: the way in that remains without the icon.
    bool hasPanelShortcut() const;

    DefaultsStore& defaults_;
    AppLanguageSettings language_;
    const Localizer& localizer_;
    Services services_;
    bool trayIconNeedsShortcut_ = false;
    QString launchAtLoginError_;
};

} // namespace quellpad
