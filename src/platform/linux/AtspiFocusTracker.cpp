#include "platform/linux/AtspiFocusTracker.h"

#include <QDBusConnection>

#include "Core/Utilities/Logger.h"

namespace quellpad {

bool AtspiFocusTracker::start(const QString& connectionName, int timeoutMs) {
    if (started_) return true;
    QDBusConnection connection(connectionName);
    // Toolkits emit events only while someone is registered for them.
    QDBusMessage registration = QDBusMessage::createMethodCall(
        QStringLiteral("org.a11y.atspi.Registry"), QStringLiteral("/org/a11y/atspi/registry"),
        QStringLiteral("org.a11y.atspi.Registry"), QStringLiteral("RegisterEvent"));
    registration.setArguments({QStringLiteral("object:state-changed:focused"), QStringList(), QString()});
    const QDBusMessage reply = connection.call(registration, QDBus::Block, timeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        Logger::warning(QStringLiteral("Focus events are not available: ") + reply.errorMessage(),
                        QStringLiteral("TextCaretPositionDetector"));
        return false;
    }
    started_ = connection.connect(QString(), QString(), QStringLiteral("org.a11y.atspi.Event.Object"),
                                  QStringLiteral("StateChanged"), this, SLOT(stateChanged(QDBusMessage)));
    return started_;
}

void AtspiFocusTracker::stateChanged(const QDBusMessage& message) {
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() < 2 || arguments[0].toString() != QLatin1String("focused") || arguments[1].toInt() != 1) {
        return;
    }
    last_ = Focused{message.service(), message.path()};
}

} // namespace quellpad
