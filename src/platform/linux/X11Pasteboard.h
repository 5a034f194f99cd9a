// The Pasteboard of an X11 session: the CLIPBOARD selection, read and written over a
// private connection (X11ClipboardConnection). changed() fires for every owner
// change, so the monitor can poll at once instead of waiting for its timer.
#pragma once

#include <memory>

#include "platform/Pasteboard.h"

namespace quellpad {

class X11ClipboardConnection;
struct X11ClipboardSnapshot;

class X11Pasteboard final : public Pasteboard {
    Q_OBJECT
public:
    static constexpr int defaultReadTimeoutMs = 1000;

    // nullptr, with the reason in error, when there is no usable X display. An empty
    // displayName means $DISPLAY. Create and use it on the main thread.
    static std::unique_ptr<X11Pasteboard> open(QString* error = nullptr, const QByteArray& displayName = {},
                                               int readTimeoutMs = defaultReadTimeoutMs);
    ~X11Pasteboard() override;

    qint64 changeCount() override;
    qint64 latestChangeCount() override;
    QStringList types() override;
    std::optional<PasteboardData> dataForType(const QString& type, qint64 maxBytes) override;
    bool write(const PasteboardRepresentations& representations) override;
    std::optional<qint64> takeNextChange(qint64 after) override;
    qint64 unreadableChangeCount() const override;

private:
    explicit X11Pasteboard(std::unique_ptr<X11ClipboardConnection> connection);
    std::shared_ptr<const X11ClipboardSnapshot> snapshotForReading();

    std::unique_ptr<X11ClipboardConnection> connection_;
    // The snapshot of the last changeCount() call: reads describe that content.
    std::shared_ptr<const X11ClipboardSnapshot> readSnapshot_;
};

} // namespace quellpad
