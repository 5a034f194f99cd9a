// What the settings window shows and changes, without widgets. Every setter writes the
// defaults store at once (the running app reads its settings at the moment of use), and
// `changed` fires after any stored value changed, here or from another process, so the
// window re-reads everything, its texts included.
#pragma once

#include <functional>
#include <optional>

#include <QObject>
#include <QString>
#include <QStringList>

#include "app/LaunchAtLoginManager.h"
#include "localization/AppLanguage.h"

namespace quellpad {

class ClipboardIgnoredAppsSettings;
class DefaultsStore;
class Localizer;
class NotificationCenter;
class Workspace;

class SettingsViewModel final : public QObject {
    Q_OBJECT
public:
    struct Services {
        // Absent: the launch-at-login switch is disabled.
        LaunchAtLoginManaging* launchAtLogin = nullptr;
        // Absent: the ignore list is read-only empty.
        ClipboardIgnoredAppsSettings* ignoredApps = nullptr;
        // Opens folders in the file manager.
        Workspace* workspace = nullptr;
        std::function<QString()> dataDirectoryPath;
        // Whether the accessibility bus can be used (caret following, direct paste).
        std::function<bool()> isAccessibilityAvailable;
        // The installed applications as (id, name), for adding to the ignore list.
        std::function<QList<std::pair<QString, QString>>()> installedApplications;
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

    // Storage
    bool textCaptureEnabled() const;
    void setTextCaptureEnabled(bool enabled);
    bool imageCaptureEnabled() const;
    void setImageCaptureEnabled(bool enabled);
    // Megabytes, 1 through 500.
    int maxItemSizeInMB() const;
    void setMaxItemSizeInMB(int megabytes);
    QString dataDirectoryPath() const;
    void revealDataDirectory();
    const QString& revealError() const { return revealError_; }

    // App filter
    QStringList ignoredApps() const;
    // Installed applications not yet on the list, as (id, name), sorted by name.
    QList<std::pair<QString, QString>> addableApplications() const;
    void addIgnoredApp(const QString& identifier);
    void removeIgnoredApp(const QString& identifier);

    // Advanced
    bool pinyinIndexEnabled() const;
    void setPinyinIndexEnabled(bool enabled);
    QString accessibilityStatusLine() const;

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
    QString revealError_;
};

} // namespace quellpad
