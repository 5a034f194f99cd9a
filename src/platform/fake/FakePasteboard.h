// A scriptable in-memory pasteboard for tests, with hostile behaviours: reads that
// stall, throw or carry huge sizes without allocating them.
#pragma once

#include <atomic>
#include <deque>
#include <map>
#include <mutex>

#include "platform/Pasteboard.h"

namespace quellpad {

class FakePasteboard final : public Pasteboard {
    Q_OBJECT
public:
    struct Behaviour {
        int stallMilliseconds = 0;      // sleep before answering
        bool throws = false;            // throw std::runtime_error from the read
        qint64 declaredByteCount = -1;  // when >= 0, report this size (bytes stay a prefix)
    };

    // Replaces the content (like a copy in another application) and advances the
    // counter by one; emits changed() when notifications are on.
    void setContent(const PasteboardRepresentations& representations);
    void setText(const QString& text);
    // Advances the counter without touching the content (an owner change we cannot see).
    void bumpChangeCount(qint64 by = 1);
    void setBehaviour(const QString& type, const Behaviour& behaviour);
    void setEmitsChanges(bool emits) { emitsChanges_ = emits; }
    // Keeps each content set from now on in a queue, as backends that snapshot every
    // change do; a bumped count is then an unreadable change.
    void setQueuesChanges(bool queues) { queuesChanges_ = queues; }
    void setTypesThrow(bool throws) { typesThrow_ = throws; }
    // Makes write() fail (another client keeps the clipboard).
    void setWriteFails(bool fails) { writeFails_ = fails; }
    // As a backend whose display server went away.
    void setConnected(bool connected) { connected_ = connected; }

    // How often each type was read (the size-before-reading rules are checked with it).
    int readCount(const QString& type) const;
    PasteboardRepresentations content() const;

    qint64 changeCount() override;
    qint64 latestChangeCount() override;
    QStringList types() override;
    std::optional<PasteboardData> dataForType(const QString& type, qint64 maxBytes) override;
    bool write(const PasteboardRepresentations& representations) override;
    std::optional<qint64> takeNextChange(qint64 after) override;
    qint64 unreadableChangeCount() const override;
    bool isConnected() const override { return connected_; }

private:
    // The content reads describe: the live one, or the queued change taken last.
    const PasteboardRepresentations& readContent() const { return taken_ ? *taken_ : content_; }

    mutable std::mutex mutex_;
    PasteboardRepresentations content_;
    std::map<QString, Behaviour> behaviours_;
    std::map<QString, int> readCounts_;
    qint64 changeCount_ = 0;
    bool emitsChanges_ = false;
    bool typesThrow_ = false;
    bool writeFails_ = false;
    bool queuesChanges_ = false;
    std::atomic<bool> connected_{true};
    std::deque<std::pair<qint64, PasteboardRepresentations>> queue_;
    std::optional<PasteboardRepresentations> taken_;
    qint64 unreadableChanges_ = 0;
};

} // namespace quellpad
