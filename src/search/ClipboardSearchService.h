// Parses queries, runs them against the index store, times every operation into the
// runtime metrics, and rebuilds the whole index (re-classifying text items on the
// way). An actor: operations run one at a time on the service's own serial queue,
// each store call additionally on the store's queue; results come back as futures.
//
// While the index owes a rebuild after it was found damaged (or has closed for
// good), fetchRecent and search fail at once with ClipboardSearchServiceError
// (unavailable), as the Empty service does, so the panels use the history's own
// search. With automatic recovery on, the service runs that rebuild itself.
#pragma once

#include <memory>
#include <mutex>
#include <optional>

#include "search/ClipboardSearchIndexDocument.h"
#include "search/ClipboardSearchServiceProtocol.h"

namespace quellpad {

class ClipboardClassificationServiceProtocol;
class ClipboardHistoryRepositoryProtocol;
class DefaultsStore;
class SerialQueue;
class SQLiteClipboardSearchIndexStore;

class ClipboardSearchService final : public ClipboardSearchServiceProtocol {
public:
    inline static const QString logCategory = QStringLiteral("ClipboardSearch");

    // The configuration gives the character limits; the pinyin flag is read from the
    // defaults store when a rebuild starts, so a rebuild applies a changed setting.
    // The defaults store must outlive the service.
    ClipboardSearchService(std::shared_ptr<ClipboardHistoryRepositoryProtocol> repository,
                           std::shared_ptr<SQLiteClipboardSearchIndexStore> indexStore,
                           ClipboardSearchIndexConfiguration configuration,
                           std::shared_ptr<const ClipboardClassificationServiceProtocol> classifier,
                           DefaultsStore& userDefaults,
                           std::unique_ptr<ClipboardSearchRuntimeMetricsRecorder> metricsRecorder);
    // Waits for queued operations to finish.
    ~ClipboardSearchService() override;

    QFuture<ClipboardSearchPage> fetchRecent(int offset, int limit) override;
    QFuture<ClipboardSearchPage> search(const QString& query, int offset, int limit) override;
    QFuture<ClipboardSearchRebuildResult> rebuildIndex() override;
    QFuture<ClipboardSearchIndexStats> indexStats() override;
    QFuture<std::vector<ClipboardSearchRuntimeOperationMetricsEntry>> runtimeMetrics() override;
    void setRebuildProgressHandler(RebuildProgressHandler handler) override;

    // From now on, whenever the store owes a rebuild (a damaged file replaced, a
    // rebuild cut short), rebuild it from the history on a queue of its own, so that
    // searches keep failing fast meanwhile. Runs it at once when one is owed.
    void recoverAutomatically();

    // Documents read from the history and written per batch during a rebuild.
    inline static constexpr qsizetype rebuildBatchSize = 500;
    // Shortest time between two progress lines in the log.
    inline static constexpr qint64 progressLogIntervalMs = 5000;

private:
    ClipboardSearchPage searchNow(const QString& query, int offset, int limit);
    // nullopt when onlyIfOwed and the store owed nothing.
    std::optional<ClipboardSearchRebuildResult> rebuildNow(bool onlyIfOwed);
    void ensureIndexAvailable() const;

    std::shared_ptr<ClipboardHistoryRepositoryProtocol> repository_;
    std::shared_ptr<SQLiteClipboardSearchIndexStore> indexStore_;
    ClipboardSearchIndexConfiguration configuration_;
    std::shared_ptr<const ClipboardClassificationServiceProtocol> classifier_;
    DefaultsStore& userDefaults_;
    std::unique_ptr<ClipboardSearchRuntimeMetricsRecorder> metricsRecorder_;
    std::unique_ptr<SerialQueue> queue_;
    std::unique_ptr<SerialQueue> recoveryQueue_; // exists once recoverAutomatically() ran
    std::mutex progressMutex_;
    RebuildProgressHandler progressHandler_;
};

} // namespace quellpad
