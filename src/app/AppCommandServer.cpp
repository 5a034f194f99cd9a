#include "app/AppCommandServer.h"

#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QLocalSocket>
#include <QPointer>

#include "Core/Utilities/Logger.h"

namespace quellpad {

namespace {
const QString category = QStringLiteral("AppCoordinator");
constexpr qint64 maximumRequestBytes = 256;
} // namespace

QString AppCommandServer::defaultSocketPath() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir()) {
        return runtime + QStringLiteral("/quellpad.socket");
    }
    return QDir::tempPath() + QStringLiteral("/quellpad-") + QString::number(::getuid()) + QStringLiteral(".socket");
}

AppCommandServer::AppCommandServer(QString socketPath, Handler handler, QObject* parent)
    : QObject(parent), socketPath_(std::move(socketPath)), handler_(std::move(handler)) {
    // Only this user may connect.
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_.nextPendingConnection()) {
            serve(socket);
        }
    });
}

bool AppCommandServer::listen() {
    // The caller holds the single-instance lock, so a leftover socket is stale.
    QLocalServer::removeServer(socketPath_);
    if (!server_.listen(socketPath_)) {
        Logger::error(QStringLiteral("Failed to listen for commands on ") + socketPath_ + QStringLiteral(": ") +
                          server_.errorString(),
                      category);
        return false;
    }
    return true;
}

void AppCommandServer::serve(QLocalSocket* socket) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
        if (!socket->canReadLine()) {
            if (socket->bytesAvailable() > maximumRequestBytes) {
                socket->abort(); // not a command; don't buffer it
            }
            return;
        }
        const QString command = QString::fromUtf8(socket->readLine(maximumRequestBytes)).trimmed();
        // The client may hang up before a late answer; the pointer then reads null.
        const QPointer<QLocalSocket> target(socket);
        handler_(command, [target](const QJsonObject& reply) {
            if (!target) return;
            target->write(QJsonDocument(reply).toJson(QJsonDocument::Compact) + '\n');
            target->flush();
            target->disconnectFromServer();
        });
    });
}

std::optional<QJsonObject> AppCommandServer::send(const QString& socketPath, const QString& command, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(timeoutMs)) {
        return std::nullopt;
    }
    socket.write(command.toUtf8() + '\n');
    if (!socket.waitForBytesWritten(timeoutMs)) {
        return std::nullopt;
    }
    QByteArray reply;
    while (!reply.contains('\n')) {
        if (!socket.waitForReadyRead(timeoutMs)) {
            break;
        }
        reply += socket.readAll();
    }
    const QJsonDocument document = QJsonDocument::fromJson(reply.trimmed());
    if (!document.isObject()) {
        return std::nullopt;
    }
    return document.object();
}

} // namespace quellpad
