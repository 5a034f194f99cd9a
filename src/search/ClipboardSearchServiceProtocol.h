// The one entry point through which the panels search the history. Every operation
// runs off the calling thread and answers through a future (which may hold an
// exception: the store's SQLiteClipboardSearchIndexStoreError, or
// ClipboardSearchServiceError from the Empty service).
#pragma once

#include <exception>
#include <functional>
#include <vector>

#include <QByteArray>
#include <QFuture>
#include <QString>

#include "search/ClipboardSearchPage.h"
#include "search/ClipboardSearchRuntimeMetricsRecorder.h"

namespace quellpad {

struct ClipboardSearchRebuildResult {
    int indexedCount = 0; // documents written
    ClipboardSearchIndexStats stats;

    bool operator==(const ClipboardSearchRebuildResult&) const = default;
};

class ClipboardSearchServiceError : public std::exception {
public:
    enum class Kind { unavailable };

    explicit ClipboardSearchServiceError(Kind kind = Kind::unavailable) : kind_(kind) {}
    Kind kind() const { return kind_; }
    QString description() const { return QStringLiteral("Clipboard search service is unavailable."); }
    const char* what() const noexcept override { return "Clipboard search service is unavailable."; }

private:
    Kind kind_;
};

class ClipboardSearchServiceProtocol {
public:
    virtual ~ClipboardSearchServiceProtocol() = default;

    // Most recently used first; a negative offset or limit counts as 0.
    virtual QFuture<ClipboardSearchPage> fetchRecent(int offset, int limit) = 0;
    // The parsed query in rank order; a negative offset or limit counts as 0.
    virtual QFuture<ClipboardSearchPage> search(const QString& query, int offset, int limit) = 0;
    // Re-classifies text items and replaces the whole index.
    virtual QFuture<ClipboardSearchRebuildResult> rebuildIndex() = 0;
    virtual QFuture<ClipboardSearchIndexStats> indexStats() = 0;
    // Never fails.
    virtual QFuture<std::vector<ClipboardSearchRuntimeOperationMetricsEntry>> runtimeMetrics() = 0;

    // Told how far a rebuild is (documents written, documents in the history) after
    // every batch, on a worker thread. Services without an index never call it.
    using RebuildProgressHandler = std::function<void(qint64 done, qint64 total)>;
    virtual void setRebuildProgressHandler(RebuildProgressHandler) {}
};

} // namespace quellpad
