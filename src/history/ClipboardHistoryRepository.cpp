#include "history/ClipboardHistoryRepository.h"

#include <algorithm>
#include <set>

#include <QCoreApplication>
#include <QStringList>
#include <QThread>

#include "Core/Utilities/Logger.h"
#include "Core/Utilities/MainThread.h"
#include "Core/Utilities/NotificationCenter.h"
#include "history/DataDirectoryManager.h"
#include "search/ClipboardSearchIndexDocument.h"
#include "search/ClipboardSearchText.h"
#include "search/SQLiteClipboardSearchIndexStore.h"

namespace quellpad {

namespace {

const QString category = QStringLiteral("ClipboardHistoryRepository");

void logError(const QString& prefix, const std::exception& error) {
    Logger::error(prefix + QString::fromUtf8(error.what()), category);
}

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
                                                       std::shared_ptr<SQLiteClipboardSearchIndexStore> searchIndexStore,
                                                       DefaultsStore& defaults, NotificationCenter& notifications,
                                                       std::shared_ptr<const Clock> clock)
    : searchIndexStore_(std::move(searchIndexStore)),
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
    bootstrapSearchIndex();
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

void ClipboardHistoryRepository::syncSearchIndex(const ClipboardHistoryIndexSnapshot& header,
                                                 const QString& searchableText, bool synchronously) {
    if (!searchIndexStore_) {
        return;
    }
    // The pinyin flag is read now; building the document (normalising up to 8,192
    // characters) happens off the main thread unless the caller waits anyway.
    const ClipboardSearchIndexConfiguration configuration = ClipboardSearchIndexConfiguration::fromDefaults(defaults_);
    const ClipboardSearchSourceDocument source = sourceDocument(header, searchableText);
    auto upsert = [store = searchIndexStore_, source, configuration] {
        try {
            store->upsert(ClipboardSearchIndexDocument::make(source, configuration));
        } catch (const std::exception& error) {
            logError(QStringLiteral("Failed to upsert clipboard search index document: "), error);
        }
    };
    if (synchronously) {
        upsert();
    } else {
        searchIndexSyncQueue_->async(upsert);
    }
}

void ClipboardHistoryRepository::deleteFromIndex(const QStringList& ids) {
    if (!searchIndexStore_ || ids.isEmpty()) {
        return;
    }
    searchIndexSyncQueue_->async([store = searchIndexStore_, ids] {
        try {
            store->deleteDocuments(ids);
        } catch (const std::exception& error) {
            logError(QStringLiteral("Failed to delete clipboard search index documents: "), error);
        }
    });
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
        try {
            SQLiteTransaction transaction(mainStore_->database());
            mainStore_->insert(header, body);
            transaction.commit();
        } catch (const std::exception& error) {
            logError(QStringLiteral("Failed to save clipboard history context: "), error);
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
        try {
            SQLiteTransaction transaction(mainStore_->database());
            mainStore_->insert(header, body);
            transaction.commit();
        } catch (const std::exception& error) {
            logError(QStringLiteral("Failed to save clipboard history context: "), error);
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
        try {
            SQLiteTransaction transaction(mainStore_->database());
            const bool hadHeader = mainStore_->deleteHeader(id);
            const bool hadBody = mainStore_->deleteBody(id);
            if (!hadHeader && !hadBody) {
                return; // nothing to save; the transaction rolls back
            }
            transaction.commit();
        } catch (const std::exception& error) {
            logError(QStringLiteral("Failed to save clipboard history context: "), error);
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
        try {
            SQLiteTransaction transaction(mainStore_->database());
            try {
                mainStore_->deleteAllHeaders();
                mainStore_->deleteAllBodies();
            } catch (const std::exception& error) {
                logError(QStringLiteral("Failed to clear clipboard history: "), error);
                return;
            }
            transaction.commit();
        } catch (const std::exception& error) {
            logError(QStringLiteral("Failed to save clipboard history context: "), error);
            return;
        }
        if (searchIndexStore_) {
            searchIndexSyncQueue_->async([store = searchIndexStore_] {
                try {
                    store->rebuild({});
                } catch (const std::exception& error) {
                    logError(QStringLiteral("Failed to clear clipboard search index: "), error);
                }
            });
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
        try {
            mainStore_->updateUsage(id, now, newCount);
        } catch (const std::exception& error) {
            logError(QStringLiteral("Failed to save clipboard history context: "), error);
            return;
        }
        if (searchIndexStore_) {
            const QDateTime sortAt = sortDate(header->createdAt, now);
            searchIndexSyncQueue_->async([store = searchIndexStore_, id, sortAt, now, newCount] {
                try {
                    store->touch(id, sortAt, now, newCount);
                } catch (const std::exception& error) {
                    logError(QStringLiteral("Failed to touch clipboard search index document: "), error);
                }
            });
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

void ClipboardHistoryRepository::bootstrapSearchIndex() {
    if (!searchIndexStore_) {
        return;
    }
    try {
        if (searchIndexStore_->stats().documentCount != 0) {
            return;
        }
        const std::vector<ClipboardSearchSourceDocument> sources = readSourceDocuments(*mainStore_);
        if (sources.empty()) {
            return;
        }
        std::vector<ClipboardSearchIndexDocument> documents;
        documents.reserve(sources.size());
        for (const ClipboardSearchSourceDocument& source : sources) {
            documents.push_back(
                ClipboardSearchIndexDocument::make(source, ClipboardSearchIndexConfiguration::fromDefaults(defaults_)));
        }
        const ClipboardSearchIndexStats stats = searchIndexStore_->rebuild(documents);
        Logger::info(QStringLiteral("Bootstrapped clipboard search index, documents=") +
                         QString::number(stats.documentCount) + QStringLiteral(", grams=") +
                         QString::number(stats.gramCount),
                     category);
    } catch (const std::exception& error) {
        logError(QStringLiteral("Failed to bootstrap clipboard search index: "), error);
    }
}

void ClipboardHistoryRepository::waitForIndexSync() {
    searchIndexSyncQueue_->sync([] {});
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
