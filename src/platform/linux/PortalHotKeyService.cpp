#include "platform/linux/PortalHotKeyService.h"

#include <X11/Xlib.h>

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusReply>
#include <QTimer>

#include "Core/Utilities/Logger.h"
#include "platform/linux/X11HotKeyService.h"

namespace quellpad {

namespace {

const QString category = QStringLiteral("PortalHotKeyService");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString shortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");
const QString sessionInterface = QStringLiteral("org.freedesktop.portal.Session");
constexpr int startupTimeoutMs = 3000;

// The portal's a(sa{sv}).
struct PortalShortcut {
    QString id;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut) {
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut) {
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

} // namespace
} // namespace quellpad

Q_DECLARE_METATYPE(quellpad::PortalShortcut)

namespace quellpad {

std::unique_ptr<PortalHotKeyService> PortalHotKeyService::open(QString* error, const QDBusConnection& bus,
                                                               const QString& service) {
    QString ignored;
    QString& reason = error ? *error : ignored;
    if (!bus.isConnected()) {
        reason = QStringLiteral("no session bus");
        return nullptr;
    }
    QDBusMessage get = QDBusMessage::createMethodCall(service, portalPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << shortcutsInterface << QStringLiteral("version");
    const QDBusMessage reply = QDBusConnection(bus).call(get, QDBus::Block, startupTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        reason = QStringLiteral("%1 has no GlobalShortcuts portal (%2)").arg(service, reply.errorMessage());
        return nullptr;
    }
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
    return std::unique_ptr<PortalHotKeyService>(new PortalHotKeyService(bus, service));
}

PortalHotKeyService::PortalHotKeyService(QDBusConnection bus, QString service)
    : bus_(std::move(bus)), service_(std::move(service)) {
    if (!bus_.connect(service_, portalPath, shortcutsInterface, QStringLiteral("Activated"), this,
                      SLOT(onActivated(QDBusMessage)))) {
        Logger::error(QStringLiteral("Cannot listen to the shortcut portal: ") + bus_.lastError().message(), category);
    }
}

PortalHotKeyService::~PortalHotKeyService() {
    if (!session_.isEmpty()) {
        bus_.call(QDBusMessage::createMethodCall(service_, session_, sessionInterface, QStringLiteral("Close")),
                  QDBus::NoBlock);
    }
}

QString PortalHotKeyService::triggerFor(HotKeyChord chord) {
    const std::optional<unsigned long> keysym = X11HotKeyService::keysymForKeyCode(chord.keyCode);
    const char* name = keysym ? XKeysymToString(*keysym) : nullptr;
    if (!name) return {};
    QStringList parts;
    if (chord.modifierFlags & 0x40000) parts << QStringLiteral("CTRL");
    if (chord.modifierFlags & 0x80000) parts << QStringLiteral("ALT");
    if (chord.modifierFlags & 0x20000) parts << QStringLiteral("SHIFT");
    if (chord.modifierFlags & 0x100000) parts << QStringLiteral("LOGO");
    parts << QString::fromLatin1(name);
    return parts.join(QLatin1Char('+'));
}

HotKeyRegistrationStatus PortalHotKeyService::registerHotKey(std::uint32_t id, HotKeyChord chord) {
    if (triggerFor(chord).isEmpty()) {
        return {1, QStringLiteral("The key has no name the portal understands")};
    }
    chords_[id] = chord;
    if (!hasPanelId_) {
        panelId_ = id;
        hasPanelId_ = true;
    }
    scheduleRebind();
    return {};
}

void PortalHotKeyService::unregisterHotKey(std::uint32_t id) {
    if (chords_.erase(id) == 0) return;
    // The panel's shortcut is being replaced: the next registration takes its name.
    if (hasPanelId_ && id == panelId_) hasPanelId_ = false;
    scheduleRebind();
}

void PortalHotKeyService::setPressHandler(std::function<void(std::uint32_t, std::uint32_t)> handler) {
    pressHandler_ = std::move(handler);
}

QString PortalHotKeyService::shortcutIdFor(std::uint32_t id) const {
    return hasPanelId_ && id == panelId_ ? QString::fromLatin1(panelShortcutId) : QStringLiteral("shortcut-%1").arg(id);
}

void PortalHotKeyService::scheduleRebind() {
    // A replaced shortcut is an unregister and a register: bind once, after both.
    if (rebindScheduled_) return;
    rebindScheduled_ = true;
    QTimer::singleShot(0, this, [this] {
        rebindScheduled_ = false;
        rebind();
    });
}

QString PortalHotKeyService::requestPath(const QString& token) const {
    QString sender = bus_.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
}

void PortalHotKeyService::rebind() {
    if (!session_.isEmpty()) {
        bus_.call(QDBusMessage::createMethodCall(service_, session_, sessionInterface, QStringLiteral("Close")),
                  QDBus::NoBlock);
        session_.clear();
    }
    if (!pendingRequest_.isEmpty()) {
        bus_.disconnect(service_, pendingRequest_, requestInterface, QStringLiteral("Response"), this, nullptr);
        pendingRequest_.clear();
    }
    if (chords_.empty()) return;
    const QString token = QStringLiteral("quellpad%1").arg(++tokenCounter_);
    // Subscribed before the call, so a quick answer is not missed.
    pendingRequest_ = requestPath(token);
    bus_.connect(service_, pendingRequest_, requestInterface, QStringLiteral("Response"), this,
                 SLOT(onSessionResponse(uint, QVariantMap)));
    QDBusMessage create =
        QDBusMessage::createMethodCall(service_, portalPath, shortcutsInterface, QStringLiteral("CreateSession"));
    create << QVariantMap{{QStringLiteral("handle_token"), token}, {QStringLiteral("session_handle_token"), token}};
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(create), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        if (call->isError()) {
            Logger::error(QStringLiteral("The shortcut portal refused a session: ") + call->error().message(), category);
        }
    });
}

void PortalHotKeyService::onSessionResponse(uint response, const QVariantMap& results) {
    bus_.disconnect(service_, pendingRequest_, requestInterface, QStringLiteral("Response"), this,
                    SLOT(onSessionResponse(uint, QVariantMap)));
    pendingRequest_.clear();
    const QVariant handle = results.value(QStringLiteral("session_handle"));
    session_ = handle.canConvert<QDBusObjectPath>() ? handle.value<QDBusObjectPath>().path() : handle.toString();
    if (response != 0 || session_.isEmpty()) {
        session_.clear();
        Logger::error(QStringLiteral("The shortcut portal did not open a session (response %1); bind a desktop "
                                     "shortcut to `quellpad toggle` instead")
                          .arg(response),
                      category);
        return;
    }
    bindShortcuts();
}

void PortalHotKeyService::bindShortcuts() {
    QList<PortalShortcut> shortcuts;
    for (const auto& [id, chord] : chords_) {
        QVariantMap properties{{QStringLiteral("preferred_trigger"), triggerFor(chord)}};
        properties.insert(QStringLiteral("description"), hasPanelId_ && id == panelId_
                                                             ? QStringLiteral("Open clipboard history")
                                                             : QStringLiteral("Quellpad shortcut"));
        shortcuts.append(PortalShortcut{shortcutIdFor(id), properties});
    }
    const QString token = QStringLiteral("quellpad%1").arg(++tokenCounter_);
    pendingRequest_ = requestPath(token);
    bus_.connect(service_, pendingRequest_, requestInterface, QStringLiteral("Response"), this,
                 SLOT(onBindResponse(uint, QVariantMap)));
    QDBusMessage bind = QDBusMessage::createMethodCall(service_, portalPath, shortcutsInterface,
                                                       QStringLiteral("BindShortcuts"));
    bind << QVariant::fromValue(QDBusObjectPath(session_)) << QVariant::fromValue(shortcuts) << QString()
         << QVariantMap{{QStringLiteral("handle_token"), token}};
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(bind), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        if (call->isError()) {
            Logger::error(QStringLiteral("The shortcut portal refused the shortcuts: ") + call->error().message(),
                          category);
        }
    });
}

void PortalHotKeyService::onBindResponse(uint response, const QVariantMap& results) {
    bus_.disconnect(service_, pendingRequest_, requestInterface, QStringLiteral("Response"), this,
                    SLOT(onBindResponse(uint, QVariantMap)));
    pendingRequest_.clear();
    if (response != 0) {
        Logger::error(QStringLiteral("The shortcut portal did not bind the shortcut (response %1); bind a desktop "
                                     "shortcut to `quellpad toggle` instead")
                          .arg(response),
                      category);
        return;
    }
    const QDBusArgument bound = results.value(QStringLiteral("shortcuts")).value<QDBusArgument>();
    QList<PortalShortcut> shortcuts;
    if (bound.currentType() == QDBusArgument::ArrayType) bound >> shortcuts;
    for (const PortalShortcut& shortcut : shortcuts) {
        Logger::info(QStringLiteral("The desktop bound %1 to %2")
                         .arg(shortcut.id, shortcut.properties.value(QStringLiteral("trigger_description")).toString()),
                     category);
    }
}

void PortalHotKeyService::onActivated(const QDBusMessage& message) {
    // (o session, s shortcut id, t timestamp, a{sv} options)
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() < 2 || !pressHandler_) return;
    if (arguments[0].value<QDBusObjectPath>().path() != session_ || session_.isEmpty()) return;
    const QString shortcutId = arguments[1].toString();
    for (const auto& [id, chord] : chords_) {
        if (shortcutIdFor(id) == shortcutId) {
            // The portal's timestamp is not the window system's time.
            pressHandler_(id, 0);
            return;
        }
    }
}

} // namespace quellpad
