#include "platform/linux/WaylandToplevels.h"

#include <algorithm>
#include <cstring>
#include <map>

#include <unistd.h>
#include <wayland-client.h>

#include <QSocketNotifier>

#include "Core/Utilities/Logger.h"
#include "platform/linux/WaylandClientConnection.h"
#include "wlr-foreign-toplevel-management-unstable-v1-client.h"

namespace quellpad {

namespace {
const QString category = QStringLiteral("WaylandToplevels");
} // namespace

struct WaylandToplevels::State {
    struct Toplevel {
        std::uint64_t id = 0;
        // Pending until done, as the compositor sends a change in several events.
        QString pendingAppId;
        bool pendingActivated = false;
        QString appId;
        bool activated = false;
    };

    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    wl_seat* seat = nullptr;
    zwlr_foreign_toplevel_manager_v1* manager = nullptr;
    std::map<zwlr_foreign_toplevel_handle_v1*, Toplevel> toplevels;
    std::uint64_t nextId = 1;
    QStringList ownApplicationIds;
    bool lost = false;
    QSocketNotifier* notifier = nullptr;

    ~State() {
        for (auto& [handle, toplevel] : toplevels) zwlr_foreign_toplevel_handle_v1_destroy(handle);
        if (manager) zwlr_foreign_toplevel_manager_v1_destroy(manager);
        if (seat) wl_seat_destroy(seat);
        if (registry) wl_registry_destroy(registry);
        if (display) wl_display_disconnect(display);
    }

    static void global(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
        auto* state = static_cast<State*>(data);
        if (std::strcmp(interface, wl_seat_interface.name) == 0 && !state->seat) {
            state->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
        } else if (std::strcmp(interface, zwlr_foreign_toplevel_manager_v1_interface.name) == 0 && !state->manager) {
            state->manager = static_cast<zwlr_foreign_toplevel_manager_v1*>(wl_registry_bind(
                registry, name, &zwlr_foreign_toplevel_manager_v1_interface, std::min<uint32_t>(version, 3)));
            static const zwlr_foreign_toplevel_manager_v1_listener managerListener{toplevel, finished};
            zwlr_foreign_toplevel_manager_v1_add_listener(state->manager, &managerListener, state);
        }
    }
    static void globalRemove(void*, wl_registry*, uint32_t) {}

    static void toplevel(void* data, zwlr_foreign_toplevel_manager_v1*, zwlr_foreign_toplevel_handle_v1* handle) {
        auto* state = static_cast<State*>(data);
        state->toplevels[handle].id = state->nextId++;
        static const zwlr_foreign_toplevel_handle_v1_listener handleListener{
            title, appId, outputEnter, outputLeave, changedState, done, closed, parent};
        zwlr_foreign_toplevel_handle_v1_add_listener(handle, &handleListener, state);
    }
    static void finished(void* data, zwlr_foreign_toplevel_manager_v1*) {
        static_cast<State*>(data)->lost = true;
    }

    static void title(void*, zwlr_foreign_toplevel_handle_v1*, const char*) {}
    static void appId(void* data, zwlr_foreign_toplevel_handle_v1* handle, const char* appId) {
        static_cast<State*>(data)->toplevels[handle].pendingAppId = QString::fromUtf8(appId);
    }
    static void outputEnter(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}
    static void outputLeave(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}
    static void changedState(void* data, zwlr_foreign_toplevel_handle_v1* handle, wl_array* states) {
        bool activated = false;
        const auto* values = static_cast<const uint32_t*>(states->data);
        for (size_t i = 0; i < states->size / sizeof(uint32_t); ++i) {
            if (values[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED) activated = true;
        }
        static_cast<State*>(data)->toplevels[handle].pendingActivated = activated;
    }
    static void done(void* data, zwlr_foreign_toplevel_handle_v1* handle) {
        Toplevel& toplevel = static_cast<State*>(data)->toplevels[handle];
        toplevel.appId = toplevel.pendingAppId;
        toplevel.activated = toplevel.pendingActivated;
    }
    static void closed(void* data, zwlr_foreign_toplevel_handle_v1* handle) {
        static_cast<State*>(data)->toplevels.erase(handle);
        zwlr_foreign_toplevel_handle_v1_destroy(handle);
    }
    static void parent(void*, zwlr_foreign_toplevel_handle_v1*, zwlr_foreign_toplevel_handle_v1*) {}

    const std::pair<zwlr_foreign_toplevel_handle_v1* const, Toplevel>* activatedToplevel() const {
        for (const auto& entry : toplevels) {
            if (entry.second.activated) return &entry;
        }
        return nullptr;
    }
};

std::unique_ptr<WaylandToplevels::State> WaylandToplevels::openState(const QByteArray& socket,
                                                                    QStringList ownApplicationIds,
                                                                    std::uint64_t firstId, QString& reason) {
    auto state = std::make_unique<State>();
    state->ownApplicationIds = std::move(ownApplicationIds);
    state->nextId = firstId;
    // The second round trip brings the toplevels that exist already.
    if (!WaylandClientConnection::connectAndReadGlobals(*state, socket, 2, reason)) {
        return nullptr;
    }
    if (!state->manager || !state->seat) {
        reason = QStringLiteral("the compositor offers no foreign-toplevel manager (zwlr_foreign_toplevel_manager_v1)");
        return nullptr;
    }
    return state;
}

std::unique_ptr<WaylandToplevels> WaylandToplevels::open(QString* error, const QByteArray& socket,
                                                         QStringList ownApplicationIds) {
    QString ignored;
    std::unique_ptr<State> state = openState(socket, std::move(ownApplicationIds), 1, error ? *error : ignored);
    if (!state) {
        return nullptr;
    }
    return std::unique_ptr<WaylandToplevels>(new WaylandToplevels(std::move(state), socket));
}

WaylandToplevels::WaylandToplevels(std::unique_ptr<State> state, QByteArray socket)
    : socket_(std::move(socket)), state_(std::move(state)) {
    watch();
}

// Served between queries too, so the compositor never finds our socket full.
void WaylandToplevels::watch() {
    state_->notifier = new QSocketNotifier(wl_display_get_fd(state_->display), QSocketNotifier::Read, this);
    connect(state_->notifier, &QSocketNotifier::activated, this, &WaylandToplevels::dispatch);
}

void WaylandToplevels::markLost() {
    state_->lost = true;
    state_->notifier->setEnabled(false);
    state_->toplevels.clear();
    Logger::warning(QStringLiteral("The Wayland compositor ended the window list; the active window is unknown"),
                    category);
}

// A compositor back on the same socket gets a new connection; window ids go on counting,
// so a window remembered from before is never mistaken for a new one.
bool WaylandToplevels::reconnect() {
    QString reason;
    std::unique_ptr<State> state = openState(socket_, state_->ownApplicationIds, state_->nextId, reason);
    if (!state) {
        return false;
    }
    state_->notifier->deleteLater();
    state_ = std::move(state);
    watch();
    Logger::info(QStringLiteral("Reconnected to the Wayland compositor's window list"), category);
    return true;
}

WaylandToplevels::~WaylandToplevels() = default;

void WaylandToplevels::dispatch() {
    if (state_->lost) return;
    const bool read = wl_display_prepare_read(state_->display) != 0 || wl_display_read_events(state_->display) >= 0;
    // lost, too, when the compositor finished the manager.
    if (!read || wl_display_dispatch_pending(state_->display) < 0 || state_->lost) {
        markLost();
    }
}

bool WaylandToplevels::synchronise() {
    if (!state_->lost) {
        if (wl_display_roundtrip(state_->display) >= 0 && !state_->lost) return true;
        markLost();
    }
    return reconnect();
}

std::optional<QString> WaylandToplevels::activeApplicationId() {
    if (!synchronise()) return std::nullopt;
    const auto* active = state_->activatedToplevel();
    if (!active || active->second.appId.isEmpty()) return std::nullopt;
    return active->second.appId;
}

std::optional<ActiveWindow> WaylandToplevels::activeWindow() {
    if (!synchronise()) return std::nullopt;
    const auto* active = state_->activatedToplevel();
    if (!active) return std::nullopt;
    ActiveWindow window;
    window.windowId = active->second.id;
    if (!active->second.appId.isEmpty()) window.applicationId = active->second.appId;
    if (state_->ownApplicationIds.contains(active->second.appId)) window.processIdentifier = qint64(::getpid());
    return window;
}

bool WaylandToplevels::requestActivation(const ActiveWindow& window, std::uint32_t) {
    if (!synchronise()) return false;
    for (const auto& [handle, toplevel] : state_->toplevels) {
        if (toplevel.id == window.windowId) {
            zwlr_foreign_toplevel_handle_v1_activate(handle, state_->seat);
            return wl_display_flush(state_->display) >= 0;
        }
    }
    return false;
}

bool WaylandToplevels::isActive(const ActiveWindow& window) {
    if (!synchronise()) return false;
    const auto* active = state_->activatedToplevel();
    return active && active->second.id == window.windowId;
}

} // namespace quellpad
