// The steps our small Wayland clients (virtual keyboard, KWin fake input, window list)
// share: connecting and reading the compositor's globals, and finding before a rare use
// that the compositor went away and came back on the same socket.
#pragma once

#include <memory>

#include <QByteArray>
#include <QString>
#include <wayland-client.h>

#include "Core/Utilities/Logger.h"

namespace quellpad::WaylandClientConnection {

// Connects state.display to socket (empty: $WAYLAND_DISPLAY), listens to the registry
// with State::global / State::globalRemove and waits roundTrips times (a second one also
// brings what binding the globals announced). False, with the reason, when no compositor
// answers or it closes the connection.
template <typename State>
bool connectAndReadGlobals(State& state, const QByteArray& socket, int roundTrips, QString& reason) {
    state.display = wl_display_connect(socket.isEmpty() ? nullptr : socket.constData());
    if (!state.display) {
        reason = QStringLiteral("no Wayland compositor answers");
        return false;
    }
    static const wl_registry_listener registryListener{State::global, State::globalRemove};
    state.registry = wl_display_get_registry(state.display);
    wl_registry_add_listener(state.registry, &registryListener, &state);
    for (int trip = 0; trip < roundTrips; ++trip) {
        if (wl_display_roundtrip(state.display) < 0) {
            reason = QStringLiteral("the Wayland compositor closed the connection");
            return false;
        }
    }
    return true;
}

// A round trip finds a compositor that went away since the last use (nothing else would
// notice on a connection used this rarely); one back on the same socket gets a new
// connection from connect(QString& reason). False, logged, while none answers.
template <typename State, typename Connect>
bool reconnectIfGone(std::unique_ptr<State>& state, Connect&& connect, const QString& what, const QString& category) {
    if (wl_display_get_error(state->display) == 0 && wl_display_roundtrip(state->display) >= 0) {
        return true;
    }
    QString reason;
    std::unique_ptr<State> fresh = connect(reason);
    if (!fresh) {
        Logger::warning(QStringLiteral("The Wayland compositor's %1 is still unavailable: %2").arg(what, reason), category);
        return false;
    }
    state = std::move(fresh);
    Logger::info(QStringLiteral("Reconnected to the Wayland compositor's %1").arg(what), category);
    return true;
}

} // namespace quellpad::WaylandClientConnection
