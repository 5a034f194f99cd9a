// The history repository's way into the SQLite search index: turns source documents
// into index documents (reading the pinyin flag at each write) and hands them to the
// store.
#pragma once

#include <memory>

#include "history/ClipboardSearchIndexWriting.h"

namespace quellpad {

class DefaultsStore;
class SQLiteClipboardSearchIndexStore;

class ClipboardSearchIndexWriter final : public ClipboardSearchIndexWriting {
public:
    // The defaults store must outlive the writer.
    ClipboardSearchIndexWriter(std::shared_ptr<SQLiteClipboardSearchIndexStore> store, const DefaultsStore& defaults);

    // Null when there is no store, so callers can pass an index that failed to open.
    static std::shared_ptr<ClipboardSearchIndexWriting> make(std::shared_ptr<SQLiteClipboardSearchIndexStore> store,
                                                             const DefaultsStore& defaults);

    void upsert(const std::vector<ClipboardSearchSourceDocument>& documents) override;
    void deleteDocuments(const QStringList& ids) override;
    void touch(const QString& id, const QDateTime& sortAt, const std::optional<QDateTime>& lastAccessedAt,
               qint64 accessCount) override;
    Counts replaceAll(const std::vector<ClipboardSearchSourceDocument>& documents) override;
    std::optional<Counts> fillIfEmpty(const std::function<void(const SourceDocumentSink&)>& source) override;
    qint64 documentCount() override;
    std::vector<ClipboardIndexedItemStamp> stamps() override;

private:
    std::shared_ptr<SQLiteClipboardSearchIndexStore> store_;
    const DefaultsStore& defaults_;
};

} // namespace quellpad
