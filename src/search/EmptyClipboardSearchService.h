// Installed when the search index cannot be opened: searches and rebuilds fail with
// "Clipboard search service is unavailable.", so the panels use the repository's
// own search; the stats read as an empty index.
#pragma once

#include "search/ClipboardSearchServiceProtocol.h"

namespace quellpad {

class EmptyClipboardSearchService final : public ClipboardSearchServiceProtocol {
public:
    QFuture<ClipboardSearchPage> fetchRecent(int offset, int limit) override;
    QFuture<ClipboardSearchPage> search(const QString& query, int offset, int limit) override;
    QFuture<ClipboardSearchRebuildResult> rebuildIndex() override;
    QFuture<ClipboardSearchIndexStats> indexStats() override;
    QFuture<std::vector<ClipboardSearchRuntimeOperationMetricsEntry>> runtimeMetrics() override;
};

} // namespace quellpad
