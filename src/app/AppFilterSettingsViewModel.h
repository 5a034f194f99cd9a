// The "App Filter" page without widgets: the applications whose copies are never
// recorded, shown by their installed names and icons, and the installed applications
// that can be added. `changed` fires whenever a stored value changed, here or from
// another process (`quellpad ignore add`).
#pragma once

#include <functional>

#include <QList>
#include <QObject>
#include <QString>

#include "platform/ApplicationRegistry.h"

namespace quellpad {

class ClipboardIgnoredAppsSettings;
class DefaultsStore;
class Localizer;

class AppFilterSettingsViewModel final : public QObject {
    Q_OBJECT
public:
    struct Services {
        // The installed applications, as the desktop entries describe them.
        std::function<QList<InstalledApplication>()> installedApplications = nullptr;
        // Whether copies made in native Wayland windows cannot be told apart by application
        // (the capture runs over Wayland without knowing the active window).
        bool cannotTellActiveApplication = false;
    };

    struct Entry {
        QString identifier;
        // The installed name; the identifier itself when the application is not installed.
        QString name;
        QString iconName;
        bool isInstalled = false;
    };

    AppFilterSettingsViewModel(DefaultsStore& defaults, ClipboardIgnoredAppsSettings& ignoredApps,
                               const Localizer& localizer, Services services, QObject* parent = nullptr);

    const Localizer& localizer() const { return localizer_; }

    // The stored list in its stored order.
    QList<Entry> ignoredApplications() const;
    // Installed applications not yet on the list whose name or id contains the query
    // (ignoring case), sorted by name.
    QList<Entry> addableApplications(const QString& query = {}) const;
    void addIgnoredApp(const QString& identifier);
    void removeIgnoredApp(const QString& identifier);

    // Why the list does not apply everywhere in this session; empty when it does.
    QString sessionNotice() const;

Q_SIGNALS:
    void changed();

private:
    DefaultsStore& defaults_;
    ClipboardIgnoredAppsSettings& ignoredApps_;
    const Localizer& localizer_;
    Services services_;
};

} // namespace quellpad
