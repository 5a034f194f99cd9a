// The X11 CLIPBOARD selection over a private Xlib connection on its own thread.
//
// XFixes reports every change of the selection's owner; each report bumps the change
// counter and is followed at once by a snapshot of the new content (TARGETS and the
// renditions capture uses), taken before the next owner can replace it. Snapshots
// wait in a bounded queue until the monitor takes them, oldest first, so a burst of
// copies is not folded into its last one. A change whose owner was replaced before it
// could be read, or whose snapshot was dropped from a full queue, is counted as
// unreadable. Every conversion is bounded in time, so an owner that never answers
// costs at most the read timeout, and a new owner cuts short any read in progress
// (a slow INCR transfer included). Large transfers use the INCR protocol in both
// directions. Writing makes this connection the selection owner and serves other
// clients' requests.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <set>

#include <QStringList>

#include "platform/Pasteboard.h"

namespace quellpad {

// The content of the clipboard as of one change. Type names are the normalised MIME
// names of PasteboardTypes (any text target also appears as PasteboardTypes::plainText).
struct X11ClipboardSnapshot {
    qint64 changeCount = 0;
    QStringList types;
    std::map<QString, PasteboardData> data; // renditions read when the change happened
    std::set<QString> unreadable;           // refused or timed out: not asked again
    bool secret = false;                    // marked secret by a password manager: nothing else was read
};

class X11ClipboardConnection {
public:
    // nullptr (with a reason in error) when the display cannot be opened or lacks XFixes.
    static std::unique_ptr<X11ClipboardConnection> open(const QByteArray& displayName, int readTimeoutMs,
                                                        QString* error);
    ~X11ClipboardConnection();

    X11ClipboardConnection(const X11ClipboardConnection&) = delete;
    X11ClipboardConnection& operator=(const X11ClipboardConnection&) = delete;

    // The snapshot of the newest change (which may have been unreadable: then empty).
    std::shared_ptr<const X11ClipboardSnapshot> latest() const;
    // Removes and returns the oldest queued snapshot newer than `after` (older ones
    // are discarded); nullptr when none waits.
    std::shared_ptr<const X11ClipboardSnapshot> takeQueued(qint64 after);
    // Changes never queued because their content could not be read in time.
    qint64 unreadableChanges() const;
    // Called on the connection's thread after each new snapshot is published.
    void setChangeHandler(std::function<void()> handler);
    // Renditions larger than this are not read whole when a change happens.
    void setPrefetchLimit(qint64 bytes);
    qint64 prefetchLimit() const;

    // Reads one type from the current owner now (bounded by the read timeout).
    std::optional<PasteboardData> read(const QString& type, qint64 maxBytes);
    // Takes over the selection with these representations; false when that failed.
    bool write(const PasteboardRepresentations& representations);

private:
    class Impl;
    explicit X11ClipboardConnection(std::unique_ptr<Impl> impl);

    std::unique_ptr<Impl> impl_;
};

} // namespace quellpad
