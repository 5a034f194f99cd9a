// The windows of a wlroots compositor as wlr-foreign-toplevel-management shows them:
// which one is activated, its app id, and activating one again. Window ids are our own
// serial numbers, never reused. Toplevels whose app id is one of ownApplicationIds count
// as ours (the protocol gives no process id). Main thread only: the connection is
// served from the Qt event loop. A query after the compositor went away connects again
// to the same socket.
#pragma once

#include <memory>
#include <optional>

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include "platform/WindowActivation.h"

namespace quellpad {

class WaylandToplevels final : public QObject, public WindowActivation {
    Q_OBJECT
public:
    // nullptr, with the reason in error, when no compositor answers at socket (empty:
    // $WAYLAND_DISPLAY) or it offers no foreign-toplevel manager.
    static std::unique_ptr<WaylandToplevels> open(QString* error = nullptr, const QByteArray& socket = {},
                                                  QStringList ownApplicationIds = {});
    ~WaylandToplevels() override;

    // The activated toplevel's app id; nullopt when none is activated or it has no app id.
    std::optional<QString> activeApplicationId();

    std::optional<ActiveWindow> activeWindow() override;
    bool requestActivation(const ActiveWindow& window, std::uint32_t timestamp) override;
    bool isActive(const ActiveWindow& window) override;

private:
    struct State;
    WaylandToplevels(std::unique_ptr<State> state, QByteArray socket);
    static std::unique_ptr<State> openState(const QByteArray& socket, QStringList ownApplicationIds,
                                            std::uint64_t firstId, QString& reason);
    void watch();
    void dispatch();
    void markLost();
    bool reconnect();
    bool synchronise();

    const QByteArray socket_;
    std::unique_ptr<State> state_;
};

} // namespace quellpad
