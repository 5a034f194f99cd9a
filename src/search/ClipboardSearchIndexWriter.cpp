#include "search/ClipboardSearchIndexWriter.h"

#include <stdexcept>

#include "search/ClipboardSearchIndexDocument.h"
#include "search/SQLiteClipboardSearchIndexStore.h"

namespace quellpad {

namespace {

std::vector<ClipboardSearchIndexDocument> indexDocuments(const std::vector<ClipboardSearchSourceDocument>& sources,
                                                         const DefaultsStore& defaults) {
    const ClipboardSearchIndexConfiguration configuration = ClipboardSearchIndexConfiguration::fromDefaults(defaults);
    std::vector<ClipboardSearchIndexDocument> documents;
    documents.reserve(sources.size());
    for (const ClipboardSearchSourceDocument& source : sources) {
        documents.push_back(ClipboardSearchIndexDocument::make(source, configuration));
    }
    return documents;
}

} // namespace

ClipboardSearchIndexWriter::ClipboardSearchIndexWriter(std::shared_ptr<SQLiteClipboardSearchIndexStore> store,
                                                       const DefaultsStore& defaults)
    : store_(std::move(store)), defaults_(defaults) {}

std::shared_ptr<ClipboardSearchIndexWriting> ClipboardSearchIndexWriter::make(
    std::shared_ptr<SQLiteClipboardSearchIndexStore> store, const DefaultsStore& defaults) {
    if (!store) {
        return nullptr;
    }
    return std::make_shared<ClipboardSearchIndexWriter>(std::move(store), defaults);
}

void ClipboardSearchIndexWriter::upsert(const std::vector<ClipboardSearchSourceDocument>& documents) {
    if (documents.size() == 1) {
        store_->upsert(ClipboardSearchIndexDocument::make(
            documents.front(), ClipboardSearchIndexConfiguration::fromDefaults(defaults_)));
        return;
    }
    store_->upsertAll(indexDocuments(documents, defaults_));
}

void ClipboardSearchIndexWriter::deleteDocuments(const QStringList& ids) { store_->deleteDocuments(ids); }

void ClipboardSearchIndexWriter::touch(const QString& id, const QDateTime& sortAt,
                                       const std::optional<QDateTime>& lastAccessedAt, qint64 accessCount) {
    store_->touch(id, sortAt, lastAccessedAt, accessCount);
}

ClipboardSearchIndexWriting::Counts ClipboardSearchIndexWriter::replaceAll(
    const std::vector<ClipboardSearchSourceDocument>& documents) {
    const ClipboardSearchIndexStats stats = store_->rebuild(indexDocuments(documents, defaults_));
    return {stats.documentCount, stats.gramCount};
}

std::optional<ClipboardSearchIndexWriting::Counts> ClipboardSearchIndexWriter::fillIfEmpty(
    const std::function<void(const SourceDocumentSink&)>& source) {
    const ClipboardSearchIndexConfiguration configuration = ClipboardSearchIndexConfiguration::fromDefaults(defaults_);
    const std::optional<ClipboardSearchIndexStats> stats =
        store_->rebuildFrom([&](const SQLiteClipboardSearchIndexStore::DocumentSink& write) {
            source([&](const ClipboardSearchSourceDocument& document) {
                write(ClipboardSearchIndexDocument::make(document, configuration));
            });
        }, SQLiteClipboardSearchIndexStore::RebuildCondition::whenEmpty);
    if (!stats) {
        return std::nullopt;
    }
    return Counts{stats->documentCount, stats->gramCount};
}

qint64 ClipboardSearchIndexWriter::documentCount() { return store_->stats().documentCount; }

std::vector<ClipboardIndexedItemStamp> ClipboardSearchIndexWriter::stamps() {
    // An empty index standing in for a damaged one is about to be rebuilt whole;
    // comparing it with the history now would index every item again, one by one.
    if (store_->availability() == SQLiteClipboardSearchIndexStore::Availability::awaitingRebuild) {
        throw std::runtime_error("the search index is waiting for its rebuild from the history");
    }
    return store_->documentStamps();
}

} // namespace quellpad
