// The system clipboard as the capture and copy-back logic see it: a change counter,
// the types the current content is offered in, bounded reads of one type, and writes.
//
// Type names are MIME names (see PasteboardTypes). Reads describe the content as of
// the most recent changeCount() or takeNextChange() call, so a poll that reads the
// counter and then the data sees one consistent copy even when a newer copy arrives
// in between.
#pragma once

#include <optional>
#include <utility>
#include <vector>

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

namespace quellpad {

namespace PasteboardTypes {
inline const QString plainText = QStringLiteral("text/plain;charset=utf-8");
inline const QString html = QStringLiteral("text/html");
inline const QString rtf = QStringLiteral("text/rtf");
inline const QString png = QStringLiteral("image/png");
inline const QString tiff = QStringLiteral("image/tiff");
inline const QString uriList = QStringLiteral("text/uri-list");
inline const QString gnomeCopiedFiles = QStringLiteral("x-special/gnome-copied-files");
// Set by password managers; the value "secret" means the copy must never be stored.
inline const QString passwordManagerHint = QStringLiteral("x-kde-passwordManagerHint");
} // namespace PasteboardTypes

// How much of data over the size limit a backend keeps (enough to sniff a format).
inline constexpr qint64 oversizePrefixBytes = 64;

// The result of a bounded read.
struct PasteboardData {
    // The whole data; when exceedsLimit, only its first oversizePrefixBytes (possibly fewer).
    QByteArray bytes;
    // Size of the data in bytes; when exceedsLimit, the size known so far (> the limit).
    qint64 byteCount = 0;
    bool exceedsLimit = false;
};

// One type and its bytes, in the order they should be offered.
using PasteboardRepresentations = std::vector<std::pair<QString, QByteArray>>;

class Pasteboard : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~Pasteboard() override = default;

    // Grows by at least one for every new clipboard content, from any application.
    // Cheap: no round trip to another process.
    virtual qint64 changeCount() = 0;

    // The types the current content is offered in; empty when the clipboard is empty
    // or its owner does not answer in time.
    virtual QStringList types() = 0;

    // The bytes of one type, read with a time bound. Reading stops once more than
    // maxBytes arrived (exceedsLimit is then set). nullopt when the type is not
    // offered, the owner does not answer in time, or the read fails.
    virtual std::optional<PasteboardData> dataForType(const QString& type, qint64 maxBytes) = 0;

    // Backends that take a snapshot of every change as it happens keep the snapshots
    // not yet taken. Moves the reads to the oldest one newer than `after` and returns
    // its change count; nullopt when none waits (changeCount() then gives the newest,
    // and drops whatever is queued up to it).
    virtual std::optional<qint64> takeNextChange(qint64 after) {
        Q_UNUSED(after);
        return std::nullopt;
    }

    // The newest change count, for callers that only watch (status, scripts): unlike
    // changeCount() it moves no reads and drops nothing queued, so asking does not
    // lose copies the monitor has not taken yet.
    virtual qint64 latestChangeCount() { return changeCount(); }

    // Changes whose content could not be read before the clipboard changed again.
    virtual qint64 unreadableChangeCount() const { return 0; }

    // Replaces the clipboard content with these representations; false when the
    // clipboard could not be taken over.
    virtual bool write(const PasteboardRepresentations& representations) = 0;

    // False once the backend lost the clipboard for good (its display server went away):
    // no change is seen and no write succeeds after that.
    virtual bool isConnected() const { return true; }

Q_SIGNALS:
    // Emitted on the owning (main) thread after changeCount() advanced, by backends
    // that learn of changes as they happen. Polling works without it.
    void changed();
};

} // namespace quellpad
