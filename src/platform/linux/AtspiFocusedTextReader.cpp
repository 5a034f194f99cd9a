#include "platform/linux/AtspiFocusedTextReader.h"

#include <functional>
#include <vector>

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QRectF>

#include "Core/Utilities/Logger.h"

namespace quellpad {

namespace {

using Clock = std::chrono::steady_clock;
const QString category = QStringLiteral("TextCaretPositionDetector");
const QString accessibleInterface = QStringLiteral("org.a11y.atspi.Accessible");
const QString textInterface = QStringLiteral("org.a11y.atspi.Text");
const QString componentInterface = QStringLiteral("org.a11y.atspi.Component");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
constexpr uint screenCoordinates = 0; // ATSPI_COORD_TYPE_SCREEN: root-window coordinates

// Bits of GetState's two 32-bit words (AtspiStateType).
constexpr int stateActive = 1;
constexpr int stateEditable = 7;
constexpr int stateFocusable = 11;
constexpr int stateFocused = 12;
constexpr int stateShowing = 25;
constexpr int stateManagesDescendants = 31;

struct ObjectRef {
    QString service;
    QString path;
};

struct States {
    quint64 bits = 0;
    bool has(int state) const { return (bits >> state) & 1U; }
};

// Sticky failure: once out of time or refused, every later call answers nothing.
class Bus {
public:
    Bus(QDBusConnection connection, Clock::time_point deadline) : connection_(std::move(connection)), deadline_(deadline) {}

    bool failed() const { return failed_; }

    std::optional<QList<QVariant>> call(const ObjectRef& object, const QString& interface, const QString& method,
                                        const QVariantList& arguments = {}) {
        if (failed_) return std::nullopt;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - Clock::now()).count();
        if (left <= 0) {
            failed_ = true;
            return std::nullopt;
        }
        QDBusMessage message = QDBusMessage::createMethodCall(object.service, object.path, interface, method);
        message.setArguments(arguments);
        const QDBusMessage reply = connection_.call(message, QDBus::Block, static_cast<int>(left));
        if (reply.type() != QDBusMessage::ReplyMessage) {
            // A timeout ends the read; a refused call (no such interface) is a missing answer.
            if (reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.NoReply") ||
                reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.Timeout") || Clock::now() >= deadline_) {
                failed_ = true;
            }
            return std::nullopt;
        }
        return reply.arguments();
    }

    std::optional<QVariant> property(const ObjectRef& object, const QString& interface, const QString& name) {
        auto reply = call(object, propertiesInterface, QStringLiteral("Get"), {interface, name});
        if (!reply || reply->isEmpty()) return std::nullopt;
        return reply->first().value<QDBusVariant>().variant();
    }

private:
    QDBusConnection connection_;
    Clock::time_point deadline_;
    bool failed_ = false;
};

std::vector<ObjectRef> children(Bus& bus, const ObjectRef& object) {
    std::vector<ObjectRef> result;
    auto reply = bus.call(object, accessibleInterface, QStringLiteral("GetChildren"));
    if (!reply || reply->isEmpty()) return result;
    const QDBusArgument argument = reply->first().value<QDBusArgument>();
    argument.beginArray();
    while (!argument.atEnd()) {
        ObjectRef child;
        QDBusObjectPath path;
        argument.beginStructure();
        argument >> child.service >> path;
        argument.endStructure();
        child.path = path.path();
        result.push_back(child);
    }
    argument.endArray();
    return result;
}

States states(Bus& bus, const ObjectRef& object) {
    States result;
    auto reply = bus.call(object, accessibleInterface, QStringLiteral("GetState"));
    if (!reply || reply->isEmpty()) return result;
    const QList<uint> words = qdbus_cast<QList<uint>>(reply->first());
    if (!words.isEmpty()) result.bits = words.value(0);
    if (words.size() > 1) result.bits |= static_cast<quint64>(words.value(1)) << 32;
    return result;
}

std::optional<QRectF> rectFromInts(const QList<QVariant>& values) {
    if (values.size() < 4) return std::nullopt;
    return QRectF(values[0].toInt(), values[1].toInt(), values[2].toInt(), values[3].toInt());
}

std::optional<QRectF> componentExtents(Bus& bus, const ObjectRef& object) {
    auto reply = bus.call(object, componentInterface, QStringLiteral("GetExtents"), {screenCoordinates});
    if (!reply || reply->isEmpty()) return std::nullopt;
    const QDBusArgument argument = reply->first().value<QDBusArgument>();
    int x = 0, y = 0, w = 0, h = 0;
    argument.beginStructure();
    argument >> x >> y >> w >> h;
    argument.endStructure();
    return QRectF(x, y, w, h);
}

std::optional<QRectF> characterExtents(Bus& bus, const ObjectRef& object, int offset) {
    auto reply = bus.call(object, textInterface, QStringLiteral("GetCharacterExtents"), {offset, screenCoordinates});
    return reply ? rectFromInts(*reply) : std::nullopt;
}

std::optional<QRectF> rangeExtents(Bus& bus, const ObjectRef& object, int start, int end) {
    auto reply = bus.call(object, textInterface, QStringLiteral("GetRangeExtents"), {start, end, screenCoordinates});
    return reply ? rectFromInts(*reply) : std::nullopt;
}

qint64 processOf(Bus& bus, const QString& service) {
    auto reply = bus.call({QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus")},
                          QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetConnectionUnixProcessID"),
                          {service});
    return reply && !reply->isEmpty() ? reply->first().toLongLong() : 0;
}

// Depth first below root for the focused node, showing subtrees only; editable receives
// the first focusable editable node met, for when nothing holds the focus state.
std::optional<ObjectRef> findFocused(Bus& bus, const ObjectRef& root, int& budgetNodes,
                                     std::optional<ObjectRef>& editable) {
    std::vector<ObjectRef> stack{root};
    while (!stack.empty() && !bus.failed() && budgetNodes-- > 0) {
        const ObjectRef node = stack.back();
        stack.pop_back();
        const States state = states(bus, node);
        if (state.has(stateFocused)) return node;
        if (!editable && state.has(stateEditable) && state.has(stateFocusable) && state.has(stateShowing)) {
            editable = node;
        }
        if (!state.has(stateShowing) && node.path != root.path) continue;
        if (state.has(stateManagesDescendants)) continue; // large lists and tables: items are not text fields
        auto below = children(bus, node);
        for (auto it = below.rbegin(); it != below.rend(); ++it) stack.push_back(*it);
    }
    return std::nullopt;
}

FocusedTextElement describe(Bus& bus, const ObjectRef& element, const ObjectRef& window) {
    FocusedTextElement result;
    if (auto name = bus.call(element, accessibleInterface, QStringLiteral("GetRoleName")); name && !name->isEmpty()) {
        result.role = name->first().toString();
    }
    const States state = states(bus, element);
    result.isEditable = state.has(stateEditable);
    QStringList interfaces;
    if (auto reply = bus.call(element, accessibleInterface, QStringLiteral("GetInterfaces")); reply && !reply->isEmpty()) {
        interfaces = reply->first().toStringList();
    }
    result.implementsText = interfaces.contains(textInterface);
    result.frame = componentExtents(bus, element);
    result.windowFrame = componentExtents(bus, window);
    if (!result.implementsText) return result;

    const int caret = bus.property(element, textInterface, QStringLiteral("CaretOffset")).value_or(-1).toInt();
    const int count = bus.property(element, textInterface, QStringLiteral("CharacterCount")).value_or(0).toInt();
    std::optional<AccessibleTextRange> selection;
    if (auto n = bus.call(element, textInterface, QStringLiteral("GetNSelections")); n && !n->isEmpty() &&
                                                                                       n->first().toInt() > 0) {
        if (auto range = bus.call(element, textInterface, QStringLiteral("GetSelection"), {0}); range && range->size() >= 2) {
            const int start = range->at(0).toInt();
            const int end = range->at(1).toInt();
            if (end > start) selection = AccessibleTextRange{start, end - start};
        }
    }
    if (!selection && caret >= 0) selection = AccessibleTextRange{caret, 0};
    result.selection = selection;
    result.descendantHasSelection = selection.has_value();
    if (!selection) return result;

    const int location = selection->location;
    result.boundsForSelection = selection->length > 0 ? rangeExtents(bus, element, location, location + selection->length)
                                                      : characterExtents(bus, element, location);
    result.boundsAtLocation = characterExtents(bus, element, location);
    if (selection->length > 0) {
        result.boundsAtSelectionEnd = characterExtents(bus, element, location + selection->length);
    }
    if (auto text = bus.call(element, textInterface, QStringLiteral("GetText"), {0, std::min(count, AtspiFocusedTextReader::textLengthLimit)});
        text && !text->isEmpty()) {
        result.text = text->first().toString();
    }
    return result;
}

// The top-level window holding node: the child of its application root on the way up.
std::optional<ObjectRef> windowOf(Bus& bus, const ObjectRef& node) {
    ObjectRef current = node;
    for (int depth = 0; depth < 64 && !bus.failed(); ++depth) {
        auto reply = bus.property(current, accessibleInterface, QStringLiteral("Parent"));
        if (!reply) return std::nullopt;
        const QDBusArgument argument = reply->value<QDBusArgument>();
        ObjectRef parent;
        QDBusObjectPath path;
        argument.beginStructure();
        argument >> parent.service >> path;
        argument.endStructure();
        parent.path = path.path();
        if (parent.path == QLatin1String("/org/a11y/atspi/accessible/root") || parent.path.endsWith(QLatin1String("/null"))) {
            return current;
        }
        current = parent;
    }
    return std::nullopt;
}

} // namespace

bool AtspiFocusedTextReader::connect(Clock::time_point deadline) {
    if (!connectionName_.isEmpty() && QDBusConnection(connectionName_).isConnected()) return true;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    QDBusMessage message = QDBusMessage::createMethodCall(QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
                                                          QStringLiteral("org.a11y.Bus"), QStringLiteral("GetAddress"));
    const QDBusMessage reply = QDBusConnection::sessionBus().call(message, QDBus::Block, static_cast<int>(left));
    const QString address = reply.arguments().value(0).toString();
    if (reply.type() != QDBusMessage::ReplyMessage || address.isEmpty()) {
        Logger::warning(QStringLiteral("The accessibility bus has no address: ") + reply.errorMessage(), category);
        return false;
    }
    connectionName_ = QStringLiteral("quellpad-caret");
    return QDBusConnection::connectToBus(address, connectionName_).isConnected();
}

void AtspiFocusedTextReader::startFocusTracking(std::chrono::milliseconds budget) {
    const Clock::time_point deadline = Clock::now() + budget;
    if (connect(deadline)) focus_.start(connectionName_, static_cast<int>(budget.count()));
}

std::optional<FocusedTextElement> AtspiFocusedTextReader::read(std::chrono::milliseconds budget,
                                                               qint64 processIdentifier) {
    // D-Bus wakes a few milliseconds after a call's timeout: keep a margin so that the
    // whole read ends within the budget.
    const auto margin = std::min(std::chrono::milliseconds(10), budget / 10);
    const Clock::time_point deadline = Clock::now() + budget - margin;
    if (!connect(deadline)) return std::nullopt;
    if (!focus_.isStarted()) {
        focus_.start(connectionName_, static_cast<int>(std::max<qint64>(1, std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count())));
    }
    Bus bus(QDBusConnection(connectionName_), deadline);
    const ObjectRef registry{QStringLiteral("org.a11y.atspi.Registry"), QStringLiteral("/org/a11y/atspi/accessible/root")};
    const qint64 ownProcess = QCoreApplication::applicationPid();
    if (const auto focused = focus_.lastFocused()) {
        const qint64 owner = processOf(bus, focused->service);
        if (owner != ownProcess && (processIdentifier <= 0 || owner == processIdentifier)) {
            const ObjectRef element{focused->service, focused->path};
            if (states(bus, element).has(stateShowing)) {
                if (const auto window = windowOf(bus, element)) {
                    FocusedTextElement result = describe(bus, element, *window);
                    if (!bus.failed()) return result;
                }
            }
        }
    }
    std::vector<ObjectRef> applications = children(bus, registry);
    std::erase_if(applications, [&](const ObjectRef& app) {
        const qint64 owner = processOf(bus, app.service);
        return owner == ownProcess || (processIdentifier > 0 && owner != processIdentifier);
    });
    int nodes = nodeLimit;
    std::optional<ObjectRef> editable;
    std::optional<ObjectRef> editableWindow;
    // Active windows first; without one (some window managers never set it), every window.
    for (const bool activeOnly : {true, false}) {
        for (const ObjectRef& app : applications) {
            for (const ObjectRef& window : children(bus, app)) {
                if (activeOnly && !states(bus, window).has(stateActive)) continue;
                const bool hadEditable = editable.has_value();
                if (auto focused = findFocused(bus, window, nodes, editable)) {
                    FocusedTextElement element = describe(bus, *focused, window);
                    if (bus.failed()) break;
                    return element;
                }
                if (!hadEditable && editable) editableWindow = window;
                if (bus.failed()) break;
            }
        }
    }
    if (editable && editableWindow && !bus.failed()) {
        FocusedTextElement element = describe(bus, *editable, *editableWindow);
        if (!bus.failed()) return element;
    }
    if (bus.failed()) {
        Logger::warning(QStringLiteral("Reading the focused element took longer than %1 ms; using the pointer")
                            .arg(budget.count()),
                        category);
    }
    return std::nullopt;
}

} // namespace quellpad
