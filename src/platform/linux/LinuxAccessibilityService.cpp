#include "platform/linux/LinuxAccessibilityService.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>

#include "Core/Utilities/Logger.h"

namespace quellpad {

namespace {

const QString category = QStringLiteral("AccessibilityPermissionManager");
const QString busService = QStringLiteral("org.a11y.Bus");
const QString busPath = QStringLiteral("/org/a11y/bus");
const QString statusInterface = QStringLiteral("org.a11y.Status");
const QString enabledProperty = QStringLiteral("IsEnabled");

QDBusMessage call(const QString& service, const QString& path, const QString& interface, const QString& method,
                  const QVariantList& arguments = {}) {
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    return QDBusConnection::sessionBus().call(message, QDBus::Block, LinuxAccessibilityService::callTimeoutMs);
}

bool offersBus() {
    const QDBusMessage running = call(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                                      QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"), {busService});
    if (running.type() == QDBusMessage::ReplyMessage && running.arguments().value(0).toBool()) {
        return true;
    }
    const QDBusMessage activatable =
        call(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
             QStringLiteral("org.freedesktop.DBus"), QStringLiteral("ListActivatableNames"));
    return activatable.type() == QDBusMessage::ReplyMessage &&
           activatable.arguments().value(0).toStringList().contains(busService);
}

} // namespace

bool LinuxAccessibilityService::isReachable() {
    if (!QDBusConnection::sessionBus().isConnected() || !offersBus()) {
        return false;
    }
    // Starts the bus launcher when it is only activatable.
    const QDBusMessage reply = call(busService, busPath, busService, QStringLiteral("GetAddress"));
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().value(0).toString().isEmpty();
}

bool LinuxAccessibilityService::isEnabled() {
    if (!isReachable()) {
        return false;
    }
    const QDBusMessage reply = call(busService, busPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                    QStringLiteral("Get"), {statusInterface, enabledProperty});
    if (reply.type() != QDBusMessage::ReplyMessage) {
        return false;
    }
    return reply.arguments().value(0).value<QDBusVariant>().variant().toBool();
}

bool LinuxAccessibilityService::requestEnabled() {
    if (!isReachable()) {
        Logger::warning(QStringLiteral("The accessibility bus is not reachable on the session bus"), category);
        return false;
    }
    const QDBusMessage reply =
        call(busService, busPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Set"),
             {statusInterface, enabledProperty, QVariant::fromValue(QDBusVariant(true))});
    if (reply.type() != QDBusMessage::ReplyMessage) {
        Logger::warning(QStringLiteral("Enabling the accessibility bus failed: ") + reply.errorMessage(), category);
        return false;
    }
    return true;
}

} // namespace quellpad
