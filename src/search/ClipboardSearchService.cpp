#include "search/ClipboardSearchService.h"

#include <QElapsedTimer>
#include <QStringList>

#include "Core/Utilities/Logger.h"
#include "Core/Utilities/SerialQueue.h"
#include "classification/ClipboardClassificationServiceProtocol.h"
#include "classification/ClipboardClassificationSettings.h"
#include "history/ClipboardHistoryRepositoryProtocol.h"
#include "search/ClipboardSearchQueryParser.h"
#include "search/SQLiteClipboardSearchIndexStore.h"

namespace quellpad {

namespace {

using Kind = ClipboardSearchRuntimeOperationKind;

QString describe(const std::vector<ClipboardSearchFilter>& filters) {
    QStringList parts;
    for (const ClipboardSearchFilter& filter : filters) {
        parts.push_back(rawValue(filter.kind) + QLatin1Char(':') + filter.value);
    }
    return QLatin1Char('[') + parts.join(QStringLiteral(", ")) + QLatin1Char(']');
}

QString describe(const std::exception& error) { return QString::fromUtf8(error.what()); }

} // namespace

ClipboardSearchService::ClipboardSearchService(std::shared_ptr<ClipboardHistoryRepositoryProtocol> repository,
                                               std::shared_ptr<SQLiteClipboardSearchIndexStore> indexStore,
                                               ClipboardSearchIndexConfiguration configuration,
                                               std::shared_ptr<const ClipboardClassificationServiceProtocol> classifier,
                                               DefaultsStore& userDefaults,
                                               std::unique_ptr<ClipboardSearchRuntimeMetricsRecorder> metricsRecorder)
    : repository_(std::move(repository)), indexStore_(std::move(indexStore)), configuration_(configuration),
      classifier_(std::move(classifier)), userDefaults_(userDefaults),
      metricsRecorder_(metricsRecorder ? std::move(metricsRecorder)
                                       : std::make_unique<ClipboardSearchRuntimeMetricsRecorder>()),
      queue_(std::make_unique<SerialQueue>(QStringLiteral("ClipboardSearchService"))) {}

ClipboardSearchService::~ClipboardSearchService() {
    if (recoveryQueue_) {
        indexStore_->setRebuildRequestHandler(nullptr);
        recoveryQueue_.reset();
    }
    queue_.reset();
}

void ClipboardSearchService::recoverAutomatically() {
    if (recoveryQueue_) {
        return;
    }
    recoveryQueue_ = std::make_unique<SerialQueue>(QStringLiteral("ClipboardSearchService.Recovery"));
    indexStore_->setRebuildRequestHandler([this] {
        recoveryQueue_->async([this] {
            try {
                rebuildNow(true);
            } catch (const std::exception&) {
                // Logged by the rebuild; searches stay on the history's own search.
            }
        });
    });
}

void ClipboardSearchService::setRebuildProgressHandler(RebuildProgressHandler handler) {
    std::lock_guard lock(progressMutex_);
    progressHandler_ = std::move(handler);
}

void ClipboardSearchService::ensureIndexAvailable() const {
    if (indexStore_->availability() != SQLiteClipboardSearchIndexStore::Availability::ready) {
        throw ClipboardSearchServiceError(ClipboardSearchServiceError::Kind::unavailable);
    }
}

QFuture<ClipboardSearchPage> ClipboardSearchService::fetchRecent(int offset, int limit) {
    return queue_->submit([this, offset = std::max(offset, 0), limit = std::max(limit, 0)] {
        QElapsedTimer timer;
        timer.start();
        try {
            ensureIndexAvailable();
            ClipboardSearchPage page = indexStore_->fetchRecent(limit, offset);
            metricsRecorder_->record({Kind::fetchRecent}, timer.nsecsElapsed() / 1e9, false);
            return page;
        } catch (const std::exception& error) {
            Logger::error(QStringLiteral("Failed to read recent clipboard search index items: ") + describe(error),
                          logCategory);
            metricsRecorder_->record({Kind::fetchRecent}, timer.nsecsElapsed() / 1e9, true);
            throw;
        }
    });
}

QFuture<ClipboardSearchPage> ClipboardSearchService::search(const QString& query, int offset, int limit) {
    return queue_->submit(
        [this, query, offset = std::max(offset, 0), limit = std::max(limit, 0)] { return searchNow(query, offset, limit); });
}

ClipboardSearchPage ClipboardSearchService::searchNow(const QString& query, int offset, int limit) {
    QElapsedTimer timer;
    timer.start();
    const ClipboardParsedSearchQuery parsed = ClipboardSearchQueryParser(userDefaults_).parse(query);
    const QString combined = parsed.textTokens.join(QLatin1Char(' '));
    const ClipboardSearchIndexQuery storeQuery = ClipboardSearchIndexQuery::fromText(combined);
    std::vector<ClipboardSearchFilter> filters = parsed.explicitFilters;
    filters.insert(filters.end(), parsed.implicitFilters.begin(), parsed.implicitFilters.end());

    std::vector<Kind> kinds{Kind::search};
    if (filters.empty()) {
        kinds.push_back(Kind::textOnlySearch);
    } else {
        kinds.push_back(combined.isEmpty() ? Kind::filtersOnlySearch : Kind::textWithFiltersSearch);
    }
    Logger::debug(QStringLiteral("SearchService.search: input='") + query + QStringLiteral("' combinedText='") +
                      combined + QStringLiteral("' hasFilters=") +
                      (filters.empty() ? QStringLiteral("false") : QStringLiteral("true")) + QStringLiteral(" filters=") +
                      describe(filters),
                  logCategory);
    try {
        Logger::debug(filters.empty() ? QStringLiteral("SearchService: calling indexStore.search without filters")
                                      : QStringLiteral("SearchService: calling indexStore.search with filters"),
                      logCategory);
        ensureIndexAvailable();
        ClipboardSearchPage page = indexStore_->search(storeQuery, filters, limit, offset);
        metricsRecorder_->record(kinds, timer.nsecsElapsed() / 1e9, false);
        return page;
    } catch (const std::exception& error) {
        metricsRecorder_->record(kinds, timer.nsecsElapsed() / 1e9, true);
        Logger::error(QStringLiteral("Clipboard search index query failed: ") + describe(error), logCategory);
        throw;
    }
}

QFuture<ClipboardSearchRebuildResult> ClipboardSearchService::rebuildIndex() {
    return queue_->submit([this] { return *rebuildNow(false); });
}

std::optional<ClipboardSearchRebuildResult> ClipboardSearchService::rebuildNow(bool onlyIfOwed) {
    if (onlyIfOwed && !indexStore_->owesRebuild()) {
        return std::nullopt;
    }
    Logger::info(QStringLiteral("Starting clipboard search index rebuild"), logCategory);
    QElapsedTimer timer;
    timer.start();
    try {
        const ClipboardClassificationSettings settings(userDefaults_);
        const ClipboardSystemClassificationSet enabled = settings.enabledSystemClassifications();
        const std::vector<ClipboardUserClassificationRule> rules = settings.userRules();
        ClipboardSearchIndexConfiguration configuration = configuration_;
        configuration.isPinyinIndexEnabled = ClipboardSearchIndexConfiguration::fromDefaults(userDefaults_).isPinyinIndexEnabled;
        RebuildProgressHandler progress;
        {
            std::lock_guard lock(progressMutex_);
            progress = progressHandler_;
        }

        // The history is read batch by batch while the store's transaction is open,
        // so memory stays flat however long the history is.
        qint64 written = 0;
        auto source = [&](const SQLiteClipboardSearchIndexStore::DocumentSink& write) {
            written = 0; // a retried rebuild starts over
            QElapsedTimer sinceLog;
            sinceLog.start();
            repository_->readSearchSourceDocuments(
                rebuildBatchSize, [&](std::vector<ClipboardSearchSourceDocument>&& batch, qint64 total) {
                    for (ClipboardSearchSourceDocument& document : batch) {
                        if (document.contentType == ClipboardContentType::text && !document.searchableText.isEmpty() &&
                            classifier_) {
                            document.classification =
                                classifier_->classify(document.searchableText, enabled, rules).primaryClassification;
                        }
                        write(ClipboardSearchIndexDocument::make(document, configuration));
                    }
                    written += static_cast<qint64>(batch.size());
                    if (progress) {
                        progress(written, total);
                    }
                    if (sinceLog.elapsed() >= progressLogIntervalMs) {
                        sinceLog.restart();
                        Logger::info(QStringLiteral("Clipboard search index rebuild: %1 of %2 documents")
                                         .arg(written)
                                         .arg(total),
                                     logCategory);
                    }
                });
        };
        const std::optional<ClipboardSearchIndexStats> stats = indexStore_->rebuildFrom(
            source, onlyIfOwed ? SQLiteClipboardSearchIndexStore::RebuildCondition::whenOwed
                               : SQLiteClipboardSearchIndexStore::RebuildCondition::always);
        if (!stats) {
            return std::nullopt; // another rebuild paid the debt while this one waited
        }
        Logger::info(QStringLiteral("Clipboard search index rebuild completed, documents=") + QString::number(written) +
                         QStringLiteral(", grams=") + QString::number(stats->gramCount),
                     logCategory);
        metricsRecorder_->record({Kind::rebuildIndex}, timer.nsecsElapsed() / 1e9, false);
        return ClipboardSearchRebuildResult{static_cast<int>(written), *stats};
    } catch (const std::exception& error) {
        Logger::error(QStringLiteral("Clipboard search index rebuild failed: ") + describe(error), logCategory);
        metricsRecorder_->record({Kind::rebuildIndex}, timer.nsecsElapsed() / 1e9, true);
        throw;
    }
}

QFuture<ClipboardSearchIndexStats> ClipboardSearchService::indexStats() {
    return queue_->submit([this] {
        try {
            return indexStore_->stats();
        } catch (const std::exception& error) {
            Logger::error(QStringLiteral("Failed to read clipboard search index stats: ") + describe(error), logCategory);
            throw;
        }
    });
}

QFuture<std::vector<ClipboardSearchRuntimeOperationMetricsEntry>> ClipboardSearchService::runtimeMetrics() {
    return metricsRecorder_->metrics();
}

} // namespace quellpad
