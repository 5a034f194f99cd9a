#include "history/ClipboardHistoryRepository.h"

#include <algorithm>
#include <cmath>
#include <set>

#include <QCoreApplication>
#include <QHash>
#include <QStringList>
#include <QThread>

#include "Core/Utilities/Logger.h"
#include "Core/Utilities/MainThread.h"
#include "Core/Utilities/NotificationCenter.h"
#include "history/DataDirectoryManager.h"
#include "Core/Utilities/ClipboardSearchText.h"
#include "history/ClipboardSearchIndexWriting.h"

namespace quellpad {

namespace {

const QString category = QStringLiteral("ClipboardHistoryRepository");

void logError(const QString& prefix, const std::exception& error) {
    Logger::error(prefix + QString::fromUtf8(error.what()), category);
}

// Reconciliation writes this many documents per transaction and logs progress after each.
constexpr size_t reconciliationBatchSize = 500;

ClipboardSearchSourceDocument sourceDocument(const ClipboardHistoryIndexSnapshot& header, const QString& searchableText) {
    ClipboardSearchSourceDocument source;
    source.id = header.id;
    source.preview = header.preview;
    source.searchableText = searchableText;
    source.createdAt = header.createdAt;
    source.lastAccessedAt = header.lastAccessedAt;
    source.accessCount = std::max<qint64>(0, header.accessCount);
    source.contentType = header.contentType;
    source.bundleIdentifier = header.bundleIdentifier;
    source.classification = header.classification;
    return source;
}

// Recency order: later sort date, then later capture, then the greater id.
bool recencyBefore(const ClipboardHistoryIndexSnapshot& a, const ClipboardHistoryIndexSnapshot& b) {
    const QDateTime sortA = sortDate(a);
    const QDateTime sortB = sortDate(b);
    if (sortA != sortB) {
        return sortA > sortB;
    }
    if (a.createdAt != b.createdAt) {
        return a.createdAt > b.createdAt;
    }
    return a.id > b.id;
}

} // namespace

ClipboardHistoryRepositoryError::ClipboardHistoryRepositoryError(QString description)
    : description_(std::move(description)), what_(description_.toUtf8()) {}

ClipboardHistoryRepository::ClipboardHistoryRepository(DataDirectoryManager& dataDirectoryManager,
                                                       std::shared_ptr<ClipboardSearchIndexWriting> searchIndex,
                                                       DefaultsStore& defaults, NotificationCenter& notifications,
                                                       std::shared_ptr<const Clock> clock)
    : searchIndex_(std::move(searchIndex)),
      defaults_(defaults),
      notifications_(notifications),
      clock_(std::move(clock)),
      readQueue_(std::make_unique<SerialQueue>(readQueueLabel)),
      searchIndexSyncQueue_(std::make_unique<SerialQueue>(searchIndexSyncQueueLabel)) {
    if (std::optional<DataDirectoryError> error = dataDirectoryManager.ensureDataDirectory()) {
        throw ClipboardHistoryRepositoryError(error->description);
    }
    storePath_ = dataDirectoryManager.storeFilePath();
    try {
        mainStore_ = std::make_unique<ClipboardHistoryStore>(storePath_);
    } catch (const SQLiteError& error) {
        throw ClipboardHistoryRepositoryError(error.description());
    }
    if (!searchIndex_) {
        return;
    }
    // Decided now, before any write of this process: an empty index next to a history
    // is rebuilt whole, anything else is compared item by item.
    bool bootstrap = false;
    try {
        const ClipboardHistoryStore::Counts stored = mainStore_->counts();
        bootstrap = stored.text + stored.image > 0 && searchIndex_->documentCount() == 0;
    } catch (const std::exception& error) {
        logError(QStringLiteral("Failed to bootstrap clipboard search index: "), error);
    }
    needsReconciliation_ = true;
    searchIndexSyncQueue_->async([this, bootstrap] {
        if (bootstrap) {
            bootstrapNow();
        }
        if (needsReconciliation_) {
            reconcileNow();
        }
    });
}

void ClipboardHistoryRepository::bootstrapNow() {
    try {
        // Streamed on the index's thread over a connection of its own, so a long history
        // is never in memory at once. Skipped when the search service's own rebuild (after
        // a damaged index was replaced) filled the index first.
        const std::optional<ClipboardSearchIndexWriting::Counts> counts = searchIndex_->fillIfEmpty(
            [this](const ClipboardSearchIndexWriting::SourceDocumentSink& write) {
                ClipboardHistoryStore store(storePath_, SQLiteDatabase::Mode::readOnly);
                store.forEachSourceRow([](qint64) {},
                                       [&](ClipboardHistoryStore::SourceRow&& row) {
                                           write(sourceDocument(row.header, row.searchableText));
                                       });
            });
        if (counts) {
            Logger::info(QStringLiteral("Bootstrapped clipboard search index, documents=") +
                             QString::number(counts->documents) + QStringLiteral(", grams=") +
                             QString::number(counts->grams),
                         category);
        }
    } catch (const std::exception& error) {
        logError(QStringLiteral("Failed to bootstrap clipboard search index: "), error);
    }
}

ClipboardHistoryRepository::~ClipboardHistoryRepository() {
    searchIndexSyncQueue_.reset();
    readQueue_.reset();
}

template <typename F>
auto ClipboardHistoryRepository::onMainThread(F&& work) -> decltype(work()) {
    using R = decltype(work());
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || QThread::currentThread() == app->thread()) {
        return work();
    }
    if constexpr (std::is_void_v<R>) {
        QMetaObject::invokeMethod(app, std::forward<F>(work), Qt::BlockingQueuedConnection);
    } else {
        R result{};
        QMetaObject::invokeMethod(app, [&] { result = work(); }, Qt::BlockingQueuedConnection);
        return result;
    }
}

void ClipboardHistoryRepository::postDidChange() {
    notifications_.post(clipboardHistoryDidChangeNotification);
}

void ClipboardHistoryRepository::setWriteError(const QString& prefix, const std::exception& error) {
    logError(prefix, error);
    lastWriteError_ = ClipboardHistoryWriteError{prefix + QString::fromUtf8(error.what())};
}

std::optional<ClipboardHistoryWriteError> ClipboardHistoryRepository::lastWriteError() const {
    return const_cast<ClipboardHistoryRepository*>(this)->onMainThread([&] { return lastWriteError_; });
}

void ClipboardHistoryRepository::syncSearchIndex(const ClipboardHistoryIndexSnapshot& header,
                                                 const QString& searchableText, bool synchronously) {
    if (!searchIndex_) {
        return;
    }
    const ClipboardSearchSourceDocument source = sourceDocument(header, searchableText);
    if (!synchronously) {
        enqueueIndexOperation({IndexOperation::Kind::upsert, source, {}, {}, std::nullopt, 0});
        return;
    }
    try {
        searchIndex_->upsert({source});
    } catch (const std::exception& error) {
        logError(QStringLiteral("Failed to upsert clipboard search index document: "), error);
        needsReconciliation_ = true;
        reconcileSearchIndex();
    }
}

void ClipboardHistoryRepository::deleteFromIndex(const QStringList& ids) {
    if (!searchIndex_ || ids.isEmpty()) {
        return;
    }
    enqueueIndexOperation({IndexOperation::Kind::remove, {}, ids, {}, std::nullopt, 0});
}

void ClipboardHistoryRepository::enqueueIndexOperation(IndexOperation operation) {
    std::lock_guard lock(pendingMutex_);
    pendingIndexOperations_.push_back(std::move(operation));
    if (!drainScheduled_) {
        drainScheduled_ = true;
        searchIndexSyncQueue_->async([this] { applyPendingIndexOperations(); });
    }
}

void ClipboardHistoryRepository::applyPendingIndexOperations() {
    std::vector<IndexOperation> operations;
    {
        std::lock_guard lock(pendingMutex_);
        operations.swap(pendingIndexOperations_);
        drainScheduled_ = false;
    }
    applyIndexOperations(operations);
    // Reconciling after the batch: it reads the history afresh, so nothing older than
    // what it writes can follow it.
    if (needsReconciliation_) {
        reconcileNow();
    }
}

void ClipboardHistoryRepository::applyIndexOperations(const std::vector<IndexOperation>& operations) {
    // A burst of copies is written in one transaction instead of one per copy.
    std::vector<ClipboardSearchSourceDocument> upserts;
    auto flushUpserts = [&] {
        if (upserts.empty()) {
            return;
        }
        try {
            searchIndex_->upsert(upserts);
        } catch (const std::exception& error) {
            logError(QStringLiteral("Failed to upsert clipboard search index document: "), error);
            needsReconciliation_ = true;
        }
        upserts.clear();
    };
    for (const IndexOperation& operation : operations) {
        if (operation.kind == IndexOperation::Kind::upsert) {
            std::erase_if(upserts, [&](const ClipboardSearchSourceDocument& d) { return d.id == operation.document.id; });
            upserts.push_back(operation.document);
            continue;
        }
        flushUpserts();
        try {
            switch (operation.kind) {
            case IndexOperation::Kind::remove:
                searchIndex_->deleteDocuments(operation.ids);
                break;
            case IndexOperation::Kind::touch:
                searchIndex_->touch(operation.ids.first(), operation.sortAt, operation.lastAccessedAt,
                                    operation.accessCount);
                break;
            case IndexOperation::Kind::clear:
                searchIndex_->replaceAll({});
                break;
            case IndexOperation::Kind::upsert:
                break;
            }
        } catch (const std::exception& error) {
            const QString prefix = operation.kind == IndexOperation::Kind::remove
                                       ? QStringLiteral("Failed to delete clipboard search index documents: ")
                                   : operation.kind == IndexOperation::Kind::touch
                                       ? QStringLiteral("Failed to touch clipboard search index document: ")
                                       : QStringLiteral("Failed to clear clipboard search index: ");
            logError(prefix, error);
            needsReconciliation_ = true;
        }
    }
    flushUpserts();
}

void ClipboardHistoryRepository::reconcileSearchIndex() {
    if (!searchIndex_) {
        return;
    }
    needsReconciliation_ = true;
    searchIndexSyncQueue_->async([this] {
        if (needsReconciliation_) {
            reconcileNow();
        }
    });
}

namespace {

struct IndexDifference {
    QStringList toIndex;
    QStringList orphans;
};

// Index stamps must be read before the history: an item another process adds in
// between is then in the history read and never mistaken for an orphan.
IndexDifference compare(const std::vector<ClipboardIndexedItemStamp>& indexed,
                        const std::vector<ClipboardHistoryStore::ItemStamp>& history) {
    QHash<QString, const ClipboardIndexedItemStamp*> byId;
    byId.reserve(static_cast<qsizetype>(indexed.size()));
    for (const ClipboardIndexedItemStamp& stamp : indexed) {
        byId.insert(stamp.itemID, &stamp);
    }
    IndexDifference difference;
    for (const ClipboardHistoryStore::ItemStamp& item : history) {
        const ClipboardIndexedItemStamp* stamp = byId.take(item.id);
        // The index keeps dates as seconds in a double: allow a millisecond of rounding.
        const bool current = stamp != nullptr && std::abs(stamp->sortAt.msecsTo(item.sortAt)) <= 1 &&
                             stamp->accessCount == item.accessCount &&
                             (!item.isImage || stamp->hasText == item.hasSearchText);
        if (!current) {
            difference.toIndex.push_back(item.id);
        }
    }
    for (auto it = byId.cbegin(); it != byId.cend(); ++it) {
        difference.orphans.push_back(it.key());
    }
    return difference;
}

} // namespace

void ClipboardHistoryRepository::reconcileNow() {
    needsReconciliation_ = false;
    try {
        if (!indexReadStore_) {
            indexReadStore_ = std::make_unique<ClipboardHistoryStore>(storePath_, SQLiteDatabase::Mode::readOnly);
        }
        ClipboardHistoryStore& history = *indexReadStore_;
        const std::vector<ClipboardIndexedItemStamp> indexed = searchIndex_->stamps();
        const std::vector<ClipboardHistoryStore::ItemStamp> items = history.itemStamps();
        const IndexDifference difference = compare(indexed, items);
        if (difference.toIndex.isEmpty() && difference.orphans.isEmpty()) {
            return;
        }
        Logger::info(QStringLiteral("Reconciling clipboard search index: ") + QString::number(difference.toIndex.size()) +
                         QStringLiteral(" items to index, ") + QString::number(difference.orphans.size()) +
                         QStringLiteral(" orphaned documents to remove"),
                     category);
        qsizetype indexed_ = 0;
        for (qsizetype first = 0; first < difference.toIndex.size();
             first += static_cast<qsizetype>(reconciliationBatchSize)) {
            std::vector<ClipboardSearchSourceDocument> batch;
            for (const QString& id : difference.toIndex.mid(first, static_cast<qsizetype>(reconciliationBatchSize))) {
                // Read now, not with the stamps: the item may have changed or gone since.
                if (std::optional<ClipboardHistoryStore::SourceRow> row = history.sourceRow(id)) {
                    batch.push_back(sourceDocument(row->header, row->searchableText));
                }
            }
            searchIndex_->upsert(batch);
            indexed_ += static_cast<qsizetype>(batch.size());
            Logger::info(QStringLiteral("Reconciling clipboard search index: indexed ") + QString::number(indexed_) +
                             QStringLiteral(" of ") + QString::number(difference.toIndex.size()),
                         category);
        }
        if (!difference.orphans.isEmpty()) {
            searchIndex_->deleteDocuments(difference.orphans);
        }
        Logger::info(QStringLiteral("Reconciled clipboard search index, indexed=") + QString::number(indexed_) +
                         QStringLiteral(", removed=") + QString::number(difference.orphans.size()),
                     category);
    } catch (const std::exception& error) {
        logError(QStringLiteral("Failed to reconcile clipboard search index: "), error);
        needsReconciliation_ = true;
    }
}

std::optional<ClipboardSearchIndexLag> ClipboardHistoryRepository::searchIndexLag() {
    if (!searchIndex_) {
        return std::nullopt;
    }
    try {
        const std::vector<ClipboardIndexedItemStamp> indexed = searchIndex_->stamps();
        ClipboardHistoryStore history(storePath_, SQLiteDatabase::Mode::readOnly);
        const IndexDifference difference = compare(indexed, history.itemStamps());
        return ClipboardSearchIndexLag{difference.toIndex.size(), difference.orphans.size()};
    } catch (const std::exception& error) {
        logError(QStringLiteral("Failed to compare clipboard history and search index: "), error);
        return std::nullopt;
    }
}

void ClipboardHistoryRepository::insertText(const QString& id, const QString& preview, const QString& searchText,
                                            const std::optional<QString>& classification, const QString& plainText,
                                            const std::optional<QByteArray>& rtfData,
                                            const std::optional<QByteArray>& htmlData,
                                            const std::optional<QString>& bundleIdentifier,
                                            const ClipboardHistoryUsageMetadata& usage) {
    onMainThread([&] {
        ClipboardHistoryIndexSnapshot header{id, preview, searchText, clock_->now(), usage.lastAccessedAt,
                                             std::max<qint64>(0, usage.accessCount), ClipboardContentType::text,
                                             bundleIdentifier, classification};
        ClipboardHistoryContentRecord body{{id, plainText, rtfData, htmlData, std::nullopt, std::nullopt},
                                           textDuplicateFingerprint(plainText)};
        lastWriteError_.reset();
        try {
            SQLiteTransaction transaction(mainStore_->database());
            mainStore_->insert(header, body);
            transaction.commit();
        } catch (const std::exception& error) {
            setWriteError(QStringLiteral("Failed to save clipboard history context: "), error);
            return;
        }
        syncSearchIndex(header, plainText, false);
        postDidChange();
    });
}

void ClipboardHistoryRepository::insertImage(const QString& id, const QString& preview, const QString& searchText,
                                             const QByteArray& imageData, const std::optional<QString>& bundleIdentifier,
                                             const ClipboardHistoryUsageMetadata& usage) {
    onMainThread([&] {
        ClipboardHistoryIndexSnapshot header{id, preview, searchText, clock_->now(), usage.lastAccessedAt,
                                             std::max<qint64>(0, usage.accessCount), ClipboardContentType::image,
                                             bundleIdentifier, std::nullopt};
        ClipboardHistoryContentRecord body{{id, preview, std::nullopt, std::nullopt, imageData, std::nullopt},
                                           imageDuplicateFingerprint(imageData)};
        lastWriteError_.reset();
        try {
            SQLiteTransaction transaction(mainStore_->database());
            mainStore_->insert(header, body);
            transaction.commit();
        } catch (const std::exception& error) {
            setWriteError(QStringLiteral("Failed to save clipboard history context: "), error);
            return;
        }
        syncSearchIndex(header, QString(), true);
        postDidChange();
    });
}

void ClipboardHistoryRepository::updateOCRText(const QString& id, const QString& recognizedText) {
    onMainThread([&] {
        std::optional<ClipboardHistoryIndexSnapshot> header;
        try {
            header = mainStore_->header(id);
        } catch (const std::exception& error) {
            logError(QStringLiteral("Failed to find clipboard index: "), error);
        }
        if (!header || header->contentType != ClipboardContentType::image) {
            return;
        }
        std::optional<ClipboardHistoryContentRecord> body;
        try {
            body = mainStore_->body(id);
        } catch (const std::exception& error) {
            logError(QStringLiteral("Failed to find clipboard content: "), error);
        }
        if (!body) {
            return;
        }
        try {
            SQLiteTransaction transaction(mainStore_->database());
            mainStore_->updateSearchText(id, recognizedText);
            mainStore_->updateOCRText(id, recognizedText);
            transaction.commit();
        } catch (const std::exception& error) {
            logError(QStringLiteral("Failed to save clipboard history context: "), error);
            return;
        }
        header->searchText = recognizedText;
        syncSearchIndex(*header, recognizedText, false);
    });
}

ClipboardHistoryStore& ClipboardHistoryRepository::readStore() {
    if (!readStore_) {
        readStore_ = std::make_unique<ClipboardHistoryStore>(storePath_, SQLiteDatabase::Mode::readOnly);
    }
    return *readStore_;
}

std::vector<ClipboardHistoryIndexSnapshot> ClipboardHistoryRepository::filterAndRank(
    std::vector<ClipboardHistoryIndexSnapshot> snapshots, const QString& query) {
    const QString q = ClipboardSearchText::normalizeSearchText(query);
    if (q.isEmpty()) {
        std::stable_sort(snapshots.begin(), snapshots.end(), recencyBefore);
        return snapshots;
    }
    const QString cq = ClipboardSearchText::compactSearchText(q);
    const QStringList terms = q.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    struct Ranked {
        ClipboardHistoryIndexSnapshot snapshot;
        SearchMatchRank rank;
    };
    std::vector<Ranked> matches;
    for (ClipboardHistoryIndexSnapshot& snapshot : snapshots) {
        const QString t = ClipboardSearchText::normalizeSearchText(snapshot.searchText);
        const QString ct = ClipboardSearchText::compactSearchText(t);
        const bool allTerms = std::all_of(terms.cbegin(), terms.cend(),
                                          [&](const QString& term) { return t.contains(term) || ct.contains(term); });
        if (!allTerms && !t.contains(q)) {
            continue;
        }
        SearchMatchRank rank{t.contains(q) || ct.contains(cq), t.startsWith(q) || ct.startsWith(cq)};
        matches.push_back({std::move(snapshot), rank});
    }
    std::stable_sort(matches.begin(), matches.end(), [](const Ranked& a, const Ranked& b) {
        if (a.rank.phraseMatch != b.rank.phraseMatch) {
            return a.rank.phraseMatch;
        }
        if (a.rank.prefixMatch != b.rank.prefixMatch) {
            return a.rank.prefixMatch;
        }
        return recencyBefore(a.snapshot, b.snapshot);
    });
    std::vector<ClipboardHistoryIndexSnapshot> result;
    result.reserve(matches.size());
    for (Ranked& match : matches) {
        result.push_back(std::move(match.snapshot));
    }
    return result;
}

QFuture<std::vector<ClipboardHistoryIndexSnapshot>> ClipboardHistoryRepository::getHistorySnapshots(
    const QString& searchQuery, std::optional<int> limit) {
    return readQueue_->submit([this, searchQuery, limit]() -> std::vector<ClipboardHistoryIndexSnapshot> {
        std::vector<ClipboardHistoryIndexSnapshot> snapshots;
        try {
            snapshots = readStore().headersByCreatedDescending();
        } catch (const std::exception& error) {
            logError(QStringLiteral("Failed to fetch clipboard history snapshots: "), error);
            return {};
        }
        std::vector<ClipboardHistoryIndexSnapshot> ranked = filterAndRank(std::move(snapshots), searchQuery);
        if (limit && *limit >= 0 && static_cast<size_t>(*limit) < ranked.size()) {
            ranked.resize(static_cast<size_t>(*limit));
        }
        return ranked;
    });
}

QFuture<std::optional<ClipboardHistoryContentSnapshot>> ClipboardHistoryRepository::getContentSnapshotById(
    const QString& id) {
    return readQueue_->submit([this, id]() -> std::optional<ClipboardHistoryContentSnapshot> {
        try {
            if (std::optional<ClipboardHistoryContentRecord> record = readStore().body(id)) {
                return record->snapshot;
            }
        } catch (const std::exception& error) {
            logError(QStringLiteral("Failed to fetch clipboard content snapshot: "), error);
        }
        return std::nullopt;
    });
}

void ClipboardHistoryRepository::deleteItem(const QString& id) {
    onMainThread([&] {
        lastWriteError_.reset();
        try {
            SQLiteTransaction transaction(mainStore_->database());
            const bool hadHeader = mainStore_->deleteHeader(id);
            const bool hadBody = mainStore_->deleteBody(id);
            if (!hadHeader && !hadBody) {
                return; // nothing to save; the transaction rolls back
            }
            transaction.commit();
        } catch (const std::exception& error) {
            setWriteError(QStringLiteral("Failed to save clipboard history context: "), error);
            return;
        }
        deleteFromIndex({id});
        postDidChange();
    });
}

int ClipboardHistoryRepository::deleteExpiredItems(ClipboardContentType contentType, const QDateTime& cutoff) {
    return onMainThread([&]() -> int {
        std::vector<QString> ids;
        try {
            ids = mainStore_->headerIdsCreatedBefore(contentType, cutoff);
        } catch (const std::exception& error) {
            logError(QStringLiteral("Failed to delete expired clipboard history items: "), error);
            return 0;
        }
        if (ids.empty()) {
            return 0;
        }
        QStringList removed;
        try {
            SQLiteTransaction transaction(mainStore_->database());
            for (const QString& id : ids) {
                mainStore_->deleteHeader(id);
                mainStore_->deleteBody(id);
                removed.push_back(id);
            }
            transaction.commit();
        } catch (const std::exception& error) {
            // Nothing was deleted, so report none rather than a count that did not happen.
            logError(QStringLiteral("Failed to save clipboard history context: "), error);
            return 0;
        }
        deleteFromIndex(removed);
        postDidChange();
        return static_cast<int>(removed.size());
    });
}

void ClipboardHistoryRepository::clearAll() {
    onMainThread([&] {
        lastWriteError_.reset();
        try {
            SQLiteTransaction transaction(mainStore_->database());
            try {
                mainStore_->deleteAllHeaders();
                mainStore_->deleteAllBodies();
            } catch (const std::exception& error) {
                setWriteError(QStringLiteral("Failed to clear clipboard history: "), error);
                return;
            }
            transaction.commit();
        } catch (const std::exception& error) {
            setWriteError(QStringLiteral("Failed to save clipboard history context: "), error);
            return;
        }
        if (searchIndex_) {
            enqueueIndexOperation({IndexOperation::Kind::clear, {}, {}, {}, std::nullopt, 0});
        }
        postDidChange();
    });
}

QStringList ClipboardHistoryRepository::removeItemsMergingUsage(const std::vector<QString>& candidates,
                                                                const std::optional<QString>& keepId,
                                                                ClipboardHistoryUsageMetadata& usage) {
    QStringList removed;
    for (const QString& id : candidates) {
        if ((keepId && id == *keepId) || removed.contains(id)) {
            continue;
        }
        if (std::optional<ClipboardHistoryIndexSnapshot> header = mainStore_->header(id)) {
            usage = mergeUsage(usage, {header->lastAccessedAt, std::max<qint64>(0, header->accessCount)});
            mainStore_->deleteHeader(id);
        }
        mainStore_->deleteBody(id);
        removed.push_back(id);
    }
    return removed;
}

ClipboardHistoryUsageMetadata ClipboardHistoryRepository::removeDuplicates(
    const std::function<std::vector<QString>()>& findCandidates, const QString& fetchFailurePrefix,
    const std::optional<QString>& keepId) {
    return onMainThread([&]() -> ClipboardHistoryUsageMetadata {
        std::vector<QString> candidates;
        try {
            candidates = findCandidates();
        } catch (const std::exception& error) {
            logError(fetchFailurePrefix, error);
            return {};
        }
        if (std::none_of(candidates.cbegin(), candidates.cend(), [&](const QString& id) { return !keepId || id != *keepId; })) {
            return {};
        }
        ClipboardHistoryUsageMetadata usage;
        QStringList removed;
        try {
            SQLiteTransaction transaction(mainStore_->database());
            removed = removeItemsMergingUsage(candidates, keepId, usage);
            transaction.commit();
        } catch (const std::exception& error) {
            logError(QStringLiteral("Failed to save clipboard history context: "), error);
            return {};
        }
        deleteFromIndex(removed);
        postDidChange();
        return usage;
    });
}

ClipboardHistoryUsageMetadata ClipboardHistoryRepository::removeDuplicateTexts(const QString& plainText,
                                                                               const std::optional<QString>& keepId) {
    return removeDuplicates(
        [&] {
            // Fingerprint pass, then bodies stored without a fingerprint.
            std::vector<QString> ids = mainStore_->textBodyIdsWithFingerprint(textDuplicateFingerprint(plainText), plainText);
            for (QString& id : mainStore_->textBodyIdsWithoutFingerprint(plainText)) {
                ids.push_back(std::move(id));
            }
            return ids;
        },
        QStringLiteral("Failed to remove duplicate clipboard texts: "), keepId);
}

ClipboardHistoryUsageMetadata ClipboardHistoryRepository::removeDuplicateImages(const QByteArray& imageData,
                                                                                const std::optional<QString>& keepId) {
    return removeDuplicates(
        [&] { return mainStore_->imageBodyIdsWithFingerprint(imageDuplicateFingerprint(imageData), imageData); },
        QStringLiteral("Failed to remove duplicate clipboard images: "), keepId);
}

std::optional<ClipboardHistoryWriteError> ClipboardHistoryRepository::replaceDuplicatesAndInsert(
    const std::function<std::vector<QString>()>& findCandidates, const QString& fetchFailurePrefix,
    ClipboardHistoryIndexSnapshot header, const ClipboardHistoryContentRecord& body, const QString& searchableText) {
    return onMainThread([&]() -> std::optional<ClipboardHistoryWriteError> {
        lastWriteError_.reset();
        QStringList removed;
        try {
            SQLiteTransaction transaction(mainStore_->database());
            std::vector<QString> candidates;
            try {
                candidates = findCandidates();
            } catch (const std::exception& error) {
                setWriteError(fetchFailurePrefix, error);
                return lastWriteError_;
            }
            ClipboardHistoryUsageMetadata usage{header.lastAccessedAt, header.accessCount};
            removed = removeItemsMergingUsage(candidates, header.id, usage);
            header.lastAccessedAt = usage.lastAccessedAt;
            header.accessCount = std::max<qint64>(0, usage.accessCount);
            mainStore_->insert(header, body);
            transaction.commit();
        } catch (const std::exception& error) {
            // Rolled back: the earlier copies are still there.
            setWriteError(QStringLiteral("Failed to save clipboard history context: "), error);
            return lastWriteError_;
        }
        deleteFromIndex(removed);
        syncSearchIndex(header, searchableText, header.contentType == ClipboardContentType::image);
        postDidChange();
        return std::nullopt;
    });
}

std::optional<ClipboardHistoryWriteError> ClipboardHistoryRepository::storeTextReplacingDuplicates(
    const ClipboardHistoryNewText& item) {
    const QString fingerprint = textDuplicateFingerprint(item.plainText);
    ClipboardHistoryIndexSnapshot header{item.id, item.preview, item.searchText, clock_->now(), std::nullopt, 0,
                                         ClipboardContentType::text, item.bundleIdentifier, item.classification};
    const ClipboardHistoryContentRecord body{
        {item.id, item.plainText, item.rtfData, item.htmlData, std::nullopt, std::nullopt}, fingerprint};
    return replaceDuplicatesAndInsert(
        [&] {
            std::vector<QString> ids = mainStore_->textBodyIdsWithFingerprint(fingerprint, item.plainText);
            for (QString& id : mainStore_->textBodyIdsWithoutFingerprint(item.plainText)) {
                ids.push_back(std::move(id));
            }
            return ids;
        },
        QStringLiteral("Failed to remove duplicate clipboard texts: "), std::move(header), body, item.plainText);
}

std::optional<ClipboardHistoryWriteError> ClipboardHistoryRepository::storeImageReplacingDuplicates(
    const ClipboardHistoryNewImage& item) {
    const QString fingerprint = imageDuplicateFingerprint(item.imageData);
    ClipboardHistoryIndexSnapshot header{item.id, item.preview, QString(), clock_->now(), std::nullopt, 0,
                                         ClipboardContentType::image, item.bundleIdentifier, std::nullopt};
    const ClipboardHistoryContentRecord body{
        {item.id, item.preview, std::nullopt, std::nullopt, item.imageData, std::nullopt}, fingerprint};
    return replaceDuplicatesAndInsert(
        [&] { return mainStore_->imageBodyIdsWithFingerprint(fingerprint, item.imageData); },
        QStringLiteral("Failed to remove duplicate clipboard images: "), std::move(header), body, QString());
}

void ClipboardHistoryRepository::recordUsage(const QString& id) {
    onMainThread([&] {
        std::optional<ClipboardHistoryIndexSnapshot> header;
        try {
            header = mainStore_->header(id);
        } catch (const std::exception& error) {
            logError(QStringLiteral("Failed to find clipboard index: "), error);
        }
        if (!header) {
            return;
        }
        const QDateTime now = clock_->now();
        const qint64 count = std::max<qint64>(0, header->accessCount);
        const qint64 newCount = count == std::numeric_limits<qint64>::max() ? count : count + 1;
        lastWriteError_.reset();
        try {
            mainStore_->updateUsage(id, now, newCount);
        } catch (const std::exception& error) {
            setWriteError(QStringLiteral("Failed to save clipboard history context: "), error);
            return;
        }
        if (searchIndex_) {
            enqueueIndexOperation({IndexOperation::Kind::touch, {}, {id}, sortDate(header->createdAt, now), now, newCount});
        }
    });
}

std::vector<ClipboardSearchSourceDocument> ClipboardHistoryRepository::readSourceDocuments(ClipboardHistoryStore& store) {
    std::vector<ClipboardSearchSourceDocument> documents;
    const std::vector<ClipboardHistoryStore::SourceRow> rows = store.sourceRows();
    documents.reserve(rows.size());
    for (const ClipboardHistoryStore::SourceRow& row : rows) {
        documents.push_back(sourceDocument(row.header, row.searchableText));
    }
    return documents;
}

QFuture<std::vector<ClipboardSearchSourceDocument>> ClipboardHistoryRepository::getSearchSourceDocuments() {
    return readQueue_->submit([this]() -> std::vector<ClipboardSearchSourceDocument> {
        try {
            return readSourceDocuments(readStore());
        } catch (const std::exception& error) {
            logError(QStringLiteral("Failed to fetch clipboard search source documents: "), error);
            return {};
        }
    });
}

void ClipboardHistoryRepository::readSearchSourceDocuments(qsizetype batchSize,
                                                           const SearchSourceBatchConsumer& consume) {
    ClipboardHistoryStore store(storePath_, SQLiteDatabase::Mode::readOnly);
    const auto limit = static_cast<size_t>(std::max<qsizetype>(batchSize, 1));
    qint64 total = 0;
    std::vector<ClipboardSearchSourceDocument> batch;
    store.forEachSourceRow([&](qint64 count) { total = count; },
                           [&](ClipboardHistoryStore::SourceRow&& row) {
                               batch.push_back(sourceDocument(row.header, row.searchableText));
                               if (batch.size() >= limit) {
                                   consume(std::exchange(batch, {}), total);
                               }
                           });
    if (!batch.empty()) {
        consume(std::move(batch), total);
    }
}

bool ClipboardHistoryRepository::waitForIndexSync() {
    searchIndexSyncQueue_->sync([] {});
    return !needsReconciliation_;
}

ClipboardHistoryStore::Counts ClipboardHistoryRepository::counts() {
    return onMainThread([&] { return mainStore_->counts(); });
}

QFuture<std::vector<QString>> ClipboardHistoryRepository::imageIdsAwaitingTextRecognition(int limit) {
    return readQueue_->submit([this, limit]() -> std::vector<QString> {
        try {
            return readStore().imageIdsWithoutRecognizedText(limit);
        } catch (const std::exception& error) {
            logError(QStringLiteral("Failed to fetch images awaiting text recognition: "), error);
            return {};
        }
    });
}

} // namespace quellpad
