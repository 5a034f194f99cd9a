// The Pasteboard of a Wayland session: the regular selection, seen and set without a
// focused window through a data-control manager (ext-data-control-v1, else
// wlr-data-control-unstable-v1) on a private wl_display connection with its own thread.
//
// Every selection event bumps the change counter and is followed at once by a snapshot
// of the offer (its MIME types and the renditions capture uses, each read through a
// pipe within the read timeout and cut at the size limit), taken before the next
// selection can replace it. Snapshots wait in a bounded queue until the monitor takes
// them, oldest first. An offer carrying the password-manager hint is never read. The
// primary selection is ignored. Writing sets a data-control source that serves other
// clients until another client takes the selection.
//
// When the compositor goes away it tries the same socket again, after 1 s, then twice as
// long each time up to 30 s; once back, capture resumes where it stopped: changes seen
// before the loss but not yet taken are still handed out, and counting goes on.
#pragma once

#include <memory>

#include <QByteArray>

#include "platform/Pasteboard.h"

namespace quellpad {

class WaylandPasteboard final : public Pasteboard {
    Q_OBJECT
public:
    static constexpr int defaultReadTimeoutMs = 1000;
    static constexpr int firstReconnectDelayMs = 1000;
    static constexpr int longestReconnectDelayMs = 30000;

    // nullptr, with the reason in error, when no compositor answers at `socket` (empty
    // means $WAYLAND_DISPLAY) or it offers no data-control manager. Create and use it on
    // the main thread.
    static std::unique_ptr<WaylandPasteboard> open(QString* error = nullptr, const QByteArray& socket = {},
                                                   int readTimeoutMs = defaultReadTimeoutMs);
    ~WaylandPasteboard() override;

    // "ext-data-control" or "wlr-data-control": the protocol in use.
    QString protocolName() const;
    // False from when the compositor went away or ended the data device until a
    // reconnection succeeds (nothing is seen in between).
    bool isConnected() const override;

    qint64 changeCount() override;
    qint64 latestChangeCount() override;
    QStringList types() override;
    std::optional<PasteboardData> dataForType(const QString& type, qint64 maxBytes) override;
    bool write(const PasteboardRepresentations& representations) override;
    std::optional<qint64> takeNextChange(qint64 after) override;
    qint64 unreadableChangeCount() const override;

private:
    class Connection;
    struct Snapshot;
    WaylandPasteboard(std::unique_ptr<Connection> connection, QByteArray socket, int readTimeoutMs);
    std::shared_ptr<const Snapshot> snapshotForReading();
    void attach();
    void connectionLost();
    void tryReconnect();

    std::unique_ptr<Connection> connection_;
    const QByteArray socket_;
    const int readTimeoutMs_;
    int reconnectDelayMs_ = firstReconnectDelayMs;
    bool reconnecting_ = false;
    // The snapshot of the last changeCount() call: reads describe that content.
    std::shared_ptr<const Snapshot> readSnapshot_;
};

} // namespace quellpad
