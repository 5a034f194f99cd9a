// The history repository over "clipboard_history.sqlite". It alone reads and writes
// the history store and keeps the search index in step with every change.
//
// Writes run on the main thread on the main connection, each in one transaction, so
// a failed save leaves nothing half-written and touches neither the index nor the
// observers. Reads run on the read queue over their own connection and see what was
// committed. Index writes that nobody waits for go through the index-sync queue in
// the order they were issued.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

#include "Core/Utilities/SerialQueue.h"
#include "history/ClipboardHistoryRepositoryProtocol.h"
#include "history/ClipboardHistoryStore.h"
#include "platform/Clock.h"

namespace quellpad {

class DataDirectoryManager;
class DefaultsStore;
class NotificationCenter;
class ClipboardSearchIndexWriting;

// The store could not be opened or created.
class ClipboardHistoryRepositoryError : public std::exception {
public:
    explicit ClipboardHistoryRepositoryError(QString description);
    const QString& description() const { return description_; }
    const char* what() const noexcept override { return what_.constData(); }

private:
    QString description_;
    QByteArray what_;
};

// How far the search index is behind the history.
struct ClipboardSearchIndexLag {
    qint64 missing = 0;  // items not indexed, or indexed with outdated values
    qint64 orphaned = 0; // index documents whose item is gone
    bool operator==(const ClipboardSearchIndexLag&) const = default;
};

// Rank of a fallback-search match: phrase before prefix before recency.
struct SearchMatchRank {
    bool phraseMatch = false;
    bool prefixMatch = false;
};

class ClipboardHistoryRepository final : public ClipboardHistoryRepositoryProtocol {
public:
    inline static const QString readQueueLabel = QStringLiteral("Quellpad.ClipboardHistoryRepository.ReadQueue");
    inline static const QString searchIndexSyncQueueLabel =
        QStringLiteral("Quellpad.ClipboardHistoryRepository.SearchIndexSyncQueue");

    // Opens the store in the manager's data directory, then brings the index in line
    // with the history in the background (reconciliation). Throws
    // ClipboardHistoryRepositoryError. A null index means: no index work.
    ClipboardHistoryRepository(DataDirectoryManager& dataDirectoryManager,
                               std::shared_ptr<ClipboardSearchIndexWriting> searchIndex,
                               DefaultsStore& defaults, NotificationCenter& notifications,
                               std::shared_ptr<const Clock> clock = std::make_shared<SystemClock>());
    // Waits for queued index work, then closes the connections.
    ~ClipboardHistoryRepository() override;

    void insertText(const QString& id, const QString& preview, const QString& searchText,
                    const std::optional<QString>& classification, const QString& plainText,
                    const std::optional<QByteArray>& rtfData, const std::optional<QByteArray>& htmlData,
                    const std::optional<QString>& bundleIdentifier, const ClipboardHistoryUsageMetadata& usage) override;
    void insertImage(const QString& id, const QString& preview, const QString& searchText, const QByteArray& imageData,
                     const std::optional<QString>& bundleIdentifier, const ClipboardHistoryUsageMetadata& usage) override;
    void updateOCRText(const QString& id, const QString& recognizedText) override;
    QFuture<std::vector<ClipboardHistoryIndexSnapshot>> getHistorySnapshots(const QString& searchQuery,
                                                                            std::optional<int> limit) override;
    QFuture<std::optional<ClipboardHistoryContentSnapshot>> getContentSnapshotById(const QString& id) override;
    void deleteItem(const QString& id) override;
    int deleteExpiredItems(ClipboardContentType contentType, const QDateTime& cutoff) override;
    void clearAll() override;
    ClipboardHistoryUsageMetadata removeDuplicateTexts(const QString& plainText,
                                                       const std::optional<QString>& keepId) override;
    ClipboardHistoryUsageMetadata removeDuplicateImages(const QByteArray& imageData,
                                                        const std::optional<QString>& keepId) override;
    void recordUsage(const QString& id) override;
    QFuture<std::vector<ClipboardSearchSourceDocument>> getSearchSourceDocuments() override;
    // Over a read-only connection of its own, so the panel's reads are not held up.
    void readSearchSourceDocuments(qsizetype batchSize, const SearchSourceBatchConsumer& consume) override;
    std::optional<ClipboardHistoryWriteError> storeTextReplacingDuplicates(const ClipboardHistoryNewText& item) override;
    std::optional<ClipboardHistoryWriteError> storeImageReplacingDuplicates(const ClipboardHistoryNewImage& item) override;

    // Why the last write on the main thread stored or deleted nothing, if it failed
    // (reset by every write).
    std::optional<ClipboardHistoryWriteError> lastWriteError() const;

    // Blocks until the index-sync queue has applied everything issued so far; false
    // when some index write failed and the index still waits for reconciliation.
    bool waitForIndexSync();
    // Queues a comparison of history and index that indexes what is missing or
    // outdated and removes orphans (also run at creation and after an index error).
    void reconcileSearchIndex();
    // Compares history and index now (any thread); nullopt without an index or when
    // either cannot be read.
    std::optional<ClipboardSearchIndexLag> searchIndexLag();
    // Item counts by type, read now on the main connection.
    ClipboardHistoryStore::Counts counts();
    bool hasSearchIndex() const { return searchIndex_ != nullptr; }

    // The fallback filter and ranking over already-fetched snapshots (recency order
    // for an empty query).
    static std::vector<ClipboardHistoryIndexSnapshot> filterAndRank(std::vector<ClipboardHistoryIndexSnapshot> snapshots,
                                                                   const QString& query);

private:
    // Runs the work on the main thread, waiting for it when called from elsewhere.
    template <typename F>
    auto onMainThread(F&& work) -> decltype(work());

    // One index change waiting on the sync queue; consecutive upserts share a transaction.
    struct IndexOperation {
        enum class Kind { upsert, remove, touch, clear } kind;
        ClipboardSearchSourceDocument document; // upsert
        QStringList ids;                        // remove; touch (one id)
        QDateTime sortAt;                       // touch
        std::optional<QDateTime> lastAccessedAt;
        qint64 accessCount = 0;
    };

    void syncSearchIndex(const ClipboardHistoryIndexSnapshot& header, const QString& searchableText, bool synchronously);
    void deleteFromIndex(const QStringList& ids);
    void enqueueIndexOperation(IndexOperation operation);
    void applyPendingIndexOperations(); // on searchIndexSyncQueue_
    void applyIndexOperations(const std::vector<IndexOperation>& operations);
    void reconcileNow(); // on searchIndexSyncQueue_
    void bootstrapNow(); // on searchIndexSyncQueue_
    void postDidChange();
    std::vector<ClipboardSearchSourceDocument> readSourceDocuments(ClipboardHistoryStore& store);
    ClipboardHistoryStore& readStore(); // on readQueue_ only

public:
    QFuture<std::vector<QString>> imageIdsAwaitingTextRecognition(int limit) override;

private:
    // Removes the items the finder returns (but keepId) and hands back their merged usage.
    ClipboardHistoryUsageMetadata removeDuplicates(const std::function<std::vector<QString>()>& findCandidates,
                                                   const QString& fetchFailurePrefix, const std::optional<QString>& keepId);
    // Deletes header and body of each id and merges the headers' usage; returns the ids removed.
    QStringList removeItemsMergingUsage(const std::vector<QString>& candidates, const std::optional<QString>& keepId,
                                        ClipboardHistoryUsageMetadata& usage);
    // Duplicate removal and insert in one transaction; logs and returns the failure.
    std::optional<ClipboardHistoryWriteError> replaceDuplicatesAndInsert(
        const std::function<std::vector<QString>()>& findCandidates, const QString& fetchFailurePrefix,
        ClipboardHistoryIndexSnapshot header, const ClipboardHistoryContentRecord& body, const QString& searchableText);
    void setWriteError(const QString& prefix, const std::exception& error);

    QString storePath_;
    std::shared_ptr<ClipboardSearchIndexWriting> searchIndex_;
    DefaultsStore& defaults_;
    NotificationCenter& notifications_;
    std::shared_ptr<const Clock> clock_;
    std::unique_ptr<ClipboardHistoryStore> mainStore_;
    std::unique_ptr<ClipboardHistoryStore> readStore_;  // opened lazily on readQueue_
    std::unique_ptr<ClipboardHistoryStore> indexReadStore_; // opened lazily on searchIndexSyncQueue_
    std::optional<ClipboardHistoryWriteError> lastWriteError_; // main thread
    std::mutex pendingMutex_;
    std::vector<IndexOperation> pendingIndexOperations_; // guarded by pendingMutex_
    bool drainScheduled_ = false;                        // guarded by pendingMutex_
    std::atomic<bool> needsReconciliation_{false};
    // Declared last so they are destroyed (drained and joined) before the stores.
    std::unique_ptr<SerialQueue> readQueue_;
    std::unique_ptr<SerialQueue> searchIndexSyncQueue_;
};

} // namespace quellpad
