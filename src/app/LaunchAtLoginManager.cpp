#include "app/LaunchAtLoginManager.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>


namespace quellpad {

namespace {
// A desktop entry's Exec value: the program quoted, with the characters the format
// reserves escaped.
QString quotedExec(const QString& path) {
    QString escaped;
    for (const QChar c : path) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\')) {
            escaped += QStringLiteral("\\\\");
        }
        if (c == QLatin1Char('%')) {
            escaped += QLatin1Char('%');
        }
        escaped += c;
    }
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

LaunchAtLoginStatus entryStatus(const QString& path) {
    QFile file(path);
    if (!file.exists()) return LaunchAtLoginStatus::notRegistered;
    if (!file.open(QIODevice::ReadOnly)) return LaunchAtLoginStatus::notFound;
    bool inEntry = false;
    // Entries are small; a huge file is not ours.
    const QList<QByteArray> lines = file.read(64 * 1024).split('\n');
    for (const QByteArray& raw : lines) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('[')) {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        if (!inEntry) continue;
        const int equals = line.indexOf('=');
        if (equals < 0) continue;
        const QByteArray key = line.left(equals).trimmed();
        const QByteArray value = line.mid(equals + 1).trimmed().toLower();
        if ((key == "Hidden" && value == "true") || (key == "X-GNOME-Autostart-enabled" && value == "false")) {
            return LaunchAtLoginStatus::notRegistered;
        }
    }
    return LaunchAtLoginStatus::enabled;
}

void removeEntry(const QString& path) {
    QFile file(path);
    if (file.exists() && !file.remove()) {
        throw LaunchAtLoginManagerError(LaunchAtLoginManagerError::Kind::writeFailed, file.errorString());
    }
}
} // namespace

QString LaunchAtLoginManagerError::description() const {
    switch (kind_) {
    case Kind::unavailable: return QStringLiteral("Launch at login is unavailable for this app.");
    case Kind::writeFailed: return QStringLiteral("The autostart entry could not be written: ") + detail_;
    }
    return {};
}

XdgAutostartLaunchAtLoginManager::XdgAutostartLaunchAtLoginManager(QString appId, QString executablePath,
                                                                   QString autostartDirectory)
    : appId_(std::move(appId)), executablePath_(std::move(executablePath)) {
    if (executablePath_.isEmpty() && QCoreApplication::instance()) {
        executablePath_ = QCoreApplication::applicationFilePath();
    }
    if (autostartDirectory.isEmpty()) {
        autostartDirectory = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                             QStringLiteral("/autostart");
    }
    entryPath_ = autostartDirectory + QLatin1Char('/') + appId_ + QStringLiteral(".desktop");
    if (appId_ != AppIdentity::legacyAutostartId) {
        legacyEntryPath_ = autostartDirectory + QLatin1Char('/') + AppIdentity::legacyAutostartId + QStringLiteral(".desktop");
    }
}

LaunchAtLoginStatus XdgAutostartLaunchAtLoginManager::status() const {
    if (legacyEntryPath_.isEmpty() || QFile::exists(entryPath_)) return entryStatus(entryPath_);
    return entryStatus(legacyEntryPath_);
}

void XdgAutostartLaunchAtLoginManager::setEnabled(bool enabled) {
    if (executablePath_.isEmpty()) {
        throw LaunchAtLoginManagerError(LaunchAtLoginManagerError::Kind::unavailable);
    }
    const LaunchAtLoginStatus current = status();
    if (!enabled) {
        removeEntry(entryPath_);
        if (!legacyEntryPath_.isEmpty()) removeEntry(legacyEntryPath_);
        return;
    }
    // An enabled entry under the former name is rewritten under the id.
    if (current == LaunchAtLoginStatus::enabled && QFile::exists(entryPath_)) return;
    const QString directory = QFileInfo(entryPath_).absolutePath();
    if (!QDir().mkpath(directory)) {
        throw LaunchAtLoginManagerError(LaunchAtLoginManagerError::Kind::writeFailed,
                                        QStringLiteral("Could not create ") + directory);
    }
    const QByteArray entry = QStringLiteral("[Desktop Entry]\n"
                                            "Type=Application\n"
                                            "Name=Quellpad\n"
                                            "Comment=Clipboard history\n"
                                            "Exec=%1\n"
                                            "Icon=%2\n"
                                            "Terminal=false\n"
                                            "X-GNOME-Autostart-enabled=true\n")
                                 .arg(quotedExec(executablePath_), appId_)
                                 .toUtf8();
    QSaveFile file(entryPath_);
    if (!file.open(QIODevice::WriteOnly) || file.write(entry) != entry.size() || !file.commit()) {
        throw LaunchAtLoginManagerError(LaunchAtLoginManagerError::Kind::writeFailed, file.errorString());
    }
    if (!legacyEntryPath_.isEmpty()) removeEntry(legacyEntryPath_);
}

} // namespace quellpad
