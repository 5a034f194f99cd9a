#include "platform/linux/XdgOpener.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace quellpad::XdgOpener {

bool openUrl(const QUrl& url, QString* error) {
    if (!url.isValid()) {
        if (error) *error = QStringLiteral("Invalid URL");
        return false;
    }
    const QString argument = url.isLocalFile() ? url.toLocalFile() : url.toString(QUrl::FullyEncoded);
    // The opener runs detached: the application it starts outlives us.
    if (!QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty() &&
        QProcess::startDetached(QStringLiteral("xdg-open"), {argument})) {
        return true;
    }
    if (!QStandardPaths::findExecutable(QStringLiteral("gio")).isEmpty() &&
        QProcess::startDetached(QStringLiteral("gio"), {QStringLiteral("open"), argument})) {
        return true;
    }
    if (error) *error = QStringLiteral("Neither xdg-open nor gio could be started");
    return false;
}

bool revealFile(const QString& path, QString* error) {
    const QFileInfo info(path);
    if (!info.exists()) {
        if (error) *error = QStringLiteral("No such file: ") + path;
        return false;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(info.absoluteFilePath()).toString()} << QString();
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 2000);
    if (reply.type() == QDBusMessage::ReplyMessage) {
        return true;
    }
    return openUrl(QUrl::fromLocalFile(info.absolutePath()), error);
}

} // namespace quellpad::XdgOpener
