// Installed applications as the XDG desktop entries describe them: every
// "*.desktop" file below "applications/" of the XDG data directories. An
// application's id is its desktop-file id without ".desktop" (the path below
// "applications/" with "/" turned into "-"), the same id the workspace reports for
// the active window. An earlier directory shadows a later one for the same id;
// entries marked Hidden=true, of a Type other than Application, without a
// "[Desktop Entry]" group, unreadable or over 256 KiB are not applications.
// Thread-safe.
#pragma once

#include <mutex>
#include <vector>

#include <QDateTime>

#include "platform/ApplicationRegistry.h"

namespace quellpad {

class XdgApplicationRegistry final : public ApplicationRegistry {
public:
    // applicationDirectories, most important first, defaults to "applications" below
    // $XDG_DATA_HOME and each of $XDG_DATA_DIRS as they are now.
    explicit XdgApplicationRegistry(QStringList applicationDirectories = {});

    bool containsApplication(const QString& bundleIdentifier) override;
    QStringList applicationIdentifiers(const QString& name) override;
    QList<std::pair<QString, QString>> installedApplications() override;
    QList<InstalledApplication> installedApplicationEntries() override;

    static QStringList defaultApplicationDirectories();

private:
    struct Entry {
        QString id;
        QString name;
        QString icon;
    };

    // Caller holds mutex_.
    void loadIfStale();

    QStringList applicationDirectories_;
    std::mutex mutex_;
    std::vector<Entry> entries_;
    QDateTime loadedAt_;
};

} // namespace quellpad
