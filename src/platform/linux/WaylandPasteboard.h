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
#pragma once

#include <memory>

#include "platform/Pasteboard.h"

namespace quellpad {

class WaylandPasteboard final : public Pasteboard {
    Q_OBJECT
public:
    static constexpr int defaultReadTimeoutMs = 1000;

    // nullptr, with the reason in error, when no compositor answers at `socket` (empty
    // means $WAYLAND_DISPLAY) or it offers no data-control manager. Create and use it on
    // the main thread.
    static std::unique_ptr<WaylandPasteboard> open(QString* error = nullptr, const QByteArray& socket = {},
                                                   int readTimeoutMs = defaultReadTimeoutMs);
    ~WaylandPasteboard() override;

    // "ext-data-control" or "wlr-data-control": the protocol in use.
    QString protocolName() const;
    // False once the compositor went away or ended the data device (nothing is seen after).
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
    explicit WaylandPasteboard(std::unique_ptr<Connection> connection);
    std::shared_ptr<const Snapshot> snapshotForReading();

    std::unique_ptr<Connection> connection_;
    // The snapshot of the last changeCount() call: reads describe that content.
    std::shared_ptr<const Snapshot> readSnapshot_;
};

} // namespace quellpad
