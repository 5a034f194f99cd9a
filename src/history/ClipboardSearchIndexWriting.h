// The search index as the history repository writes it. Declared here and implemented
// by the search layer, so that storage never depends on search. Every method runs
// synchronously and throws a std::exception whose what() is an English description.
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include <QDateTime>
#include <QString>
#include <QStringList>

#include "history/ClipboardSearchSourceDocument.h"

namespace quellpad {

// What reconciliation compares with the history: an item's id and the values that a
// history change moves.
struct ClipboardIndexedItemStamp {
    QString itemID;
    QDateTime sortAt;
    qint64 accessCount = 0;
    bool hasText = false; // the indexed text is not empty
};

class ClipboardSearchIndexWriting {
public:
    virtual ~ClipboardSearchIndexWriting() = default;

    // Inserts or replaces the documents of these items, all in one transaction.
    virtual void upsert(const std::vector<ClipboardSearchSourceDocument>& documents) = 0;
    // Removes the documents of these ids; unknown ids are skipped.
    virtual void deleteDocuments(const QStringList& ids) = 0;
    virtual void touch(const QString& id, const QDateTime& sortAt, const std::optional<QDateTime>& lastAccessedAt,
                       qint64 accessCount) = 0;
    struct Counts {
        qint64 documents = 0;
        qint64 grams = 0;
    };
    // Replaces the whole index (the old content stays on failure).
    virtual Counts replaceAll(const std::vector<ClipboardSearchSourceDocument>& documents) = 0;
    using SourceDocumentSink = std::function<void(const ClipboardSearchSourceDocument&)>;
    // Fills an index that holds no documents with those `source` writes through the sink
    // (on the index's thread, in one transaction, so they need not all be in memory);
    // nullopt, and `source` is not called, when the index holds documents by then.
    virtual std::optional<Counts> fillIfEmpty(const std::function<void(const SourceDocumentSink&)>& source) = 0;
    virtual qint64 documentCount() = 0;
    virtual std::vector<ClipboardIndexedItemStamp> stamps() = 0;
};

} // namespace quellpad
