// The installed applications, as the ignore list's defaults look them up.
#pragma once

#include <utility>

#include <QList>
#include <QString>
#include <QStringList>

namespace quellpad {

// An installed application as a chooser shows it.
struct InstalledApplication {
    QString identifier;
    QString name;
    // A theme icon name or an absolute path to an image; empty when it has none.
    QString iconName;
};

class ApplicationRegistry {
public:
    virtual ~ApplicationRegistry() = default;

    // Whether an application with this id is installed.
    virtual bool containsApplication(const QString& bundleIdentifier) = 0;
    // The ids of the installed applications called `name` (compared ignoring case);
    // empty when there is none. Several packagings of one application give several ids.
    virtual QStringList applicationIdentifiers(const QString& name) = 0;
    // Every installed application as (id, name), for choosing one in the settings;
    // a registry that cannot list them offers none.
    virtual QList<std::pair<QString, QString>> installedApplications() { return {}; }
    // The same list with each application's icon.
    virtual QList<InstalledApplication> installedApplicationEntries() {
        QList<InstalledApplication> entries;
        for (const auto& [identifier, name] : installedApplications()) entries.append({identifier, name, QString()});
        return entries;
    }
};

} // namespace quellpad
