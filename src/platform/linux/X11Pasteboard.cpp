#include "platform/linux/X11Pasteboard.h"

#include <QMetaObject>
#include <QPointer>

#include "platform/linux/X11ClipboardConnection.h"

namespace quellpad {

namespace {
// Reads at least this large set the size up to which new content is read at once.
constexpr qint64 smallestItemLimit = 1024 * 1024;
} // namespace

std::unique_ptr<X11Pasteboard> X11Pasteboard::open(QString* error, const QByteArray& displayName, int readTimeoutMs) {
    std::unique_ptr<X11ClipboardConnection> connection =
        X11ClipboardConnection::open(displayName, readTimeoutMs, error);
    if (!connection) {
        return nullptr;
    }
    return std::unique_ptr<X11Pasteboard>(new X11Pasteboard(std::move(connection)));
}

X11Pasteboard::X11Pasteboard(std::unique_ptr<X11ClipboardConnection> connection)
    : connection_(std::move(connection)) {
    QPointer<X11Pasteboard> self(this);
    connection_->setChangeHandler([self, this] {
        // On the connection's thread: hand the signal to the thread this object lives on.
        QMetaObject::invokeMethod(
            this,
            [self] {
                if (self) {
                    Q_EMIT self->changed();
                }
            },
            Qt::QueuedConnection);
    });
}

X11Pasteboard::~X11Pasteboard() {
    connection_->setChangeHandler({});
    connection_.reset();
}

std::shared_ptr<const X11ClipboardSnapshot> X11Pasteboard::snapshotForReading() {
    if (!readSnapshot_) {
        readSnapshot_ = connection_->latest();
    }
    return readSnapshot_;
}

qint64 X11Pasteboard::changeCount() {
    readSnapshot_ = connection_->latest();
    // Whatever waited up to here is superseded by the content now read.
    connection_->takeQueued(readSnapshot_->changeCount);
    return readSnapshot_->changeCount;
}

qint64 X11Pasteboard::latestChangeCount() { return connection_->latest()->changeCount; }

std::optional<qint64> X11Pasteboard::takeNextChange(qint64 after) {
    std::shared_ptr<const X11ClipboardSnapshot> next = connection_->takeQueued(after);
    if (!next) {
        return std::nullopt;
    }
    readSnapshot_ = std::move(next);
    return readSnapshot_->changeCount;
}

qint64 X11Pasteboard::unreadableChangeCount() const { return connection_->unreadableChanges(); }

QStringList X11Pasteboard::types() { return snapshotForReading()->types; }

std::optional<PasteboardData> X11Pasteboard::dataForType(const QString& type, qint64 maxBytes) {
    if (maxBytes >= smallestItemLimit) {
        connection_->setPrefetchLimit(maxBytes);
    }
    const std::shared_ptr<const X11ClipboardSnapshot> snapshot = snapshotForReading();
    if (!snapshot->types.contains(type)) {
        return std::nullopt;
    }
    // Nothing but the hint itself is ever handed out from a copy marked secret.
    if (snapshot->secret && type != PasteboardTypes::passwordManagerHint) {
        return std::nullopt;
    }
    if (const auto it = snapshot->data.find(type); it != snapshot->data.end()) {
        const PasteboardData& data = it->second;
        if (data.byteCount > maxBytes) {
            return PasteboardData{data.bytes.left(oversizePrefixBytes), data.byteCount, true};
        }
        if (!data.exceedsLimit) {
            return data;
        }
        // Cut at a smaller limit when it was read: read it again below.
    }
    if (snapshot->unreadable.count(type) > 0) {
        return std::nullopt;
    }
    // A live read is only the same content while no newer change happened.
    if (connection_->latest()->changeCount != snapshot->changeCount) {
        return std::nullopt;
    }
    return connection_->read(type, maxBytes);
}

bool X11Pasteboard::write(const PasteboardRepresentations& representations) {
    return connection_->write(representations);
}

} // namespace quellpad
