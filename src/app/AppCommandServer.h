// A per-user local socket through which the command line talks to the running app
// ("pause", "resume", "status", "toggle", "paste ID"). One request line in, one JSON line out. The socket
// lives in the user's runtime directory, next to the single-instance lock, and is
// created only by the instance that holds that lock.
#pragma once

#include <functional>

#include <QJsonObject>
#include <QLocalServer>
#include <QString>

namespace quellpad {

class AppCommandServer : public QObject {
    Q_OBJECT
public:
    // Answers command by calling reply once, now or later on the main thread.
    using Handler = std::function<void(const QString& command, const std::function<void(const QJsonObject&)>& reply)>;

    // $XDG_RUNTIME_DIR/quellpad.socket, else a per-user path in the temporary directory.
    static QString defaultSocketPath();

    AppCommandServer(QString socketPath, Handler handler, QObject* parent = nullptr);

    // Replaces a stale socket file; false (logged) when listening fails.
    bool listen();
    const QString& socketPath() const { return socketPath_; }

    // Client side: sends one command and waits for the answer; nullopt when no
    // instance answers within timeoutMs.
    static std::optional<QJsonObject> send(const QString& socketPath, const QString& command, int timeoutMs = 3000);

private:
    void serve(class QLocalSocket* socket);

    QString socketPath_;
    Handler handler_;
    QLocalServer server_;
};

} // namespace quellpad
