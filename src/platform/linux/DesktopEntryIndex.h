// The installed desktop entries, indexed by StartupWMClass and desktop-file id, so
// that a window's WM_CLASS can be mapped to its application id. Reloaded when older
// than a minute (applications get installed while the app runs).
#pragma once

#include <map>
#include <optional>

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace quellpad {

class DesktopEntryIndex {
public:
    // Empty applicationDirectories: the XDG data directories' "applications".
    explicit DesktopEntryIndex(QStringList applicationDirectories = {});

    // The desktop id whose StartupWMClass or file id matches the class, else the
    // instance (case-insensitive); nullopt when none does.
    std::optional<QString> desktopIdForWMClass(const QString& instance, const QString& windowClass);

private:
    void load();

    QStringList applicationDirectories_;
    // Lower-cased StartupWMClass / file id -> desktop id.
    std::map<QString, QString> byStartupWMClass_;
    std::map<QString, QString> byFileId_;
    QDateTime loadedAt_;
};

} // namespace quellpad
