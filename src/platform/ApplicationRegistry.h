// The installed applications, as the ignore list's defaults look them up.
#pragma once

#include <utility>

#include <QList>
#include <QString>
#include <QStringList>

namespace quellpad {

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
};

} // namespace quellpad
