#include "search/EmptyClipboardSearchService.h"

#include <QPromise>

namespace quellpad {

namespace {

template <typename T>
QFuture<T> unavailable() {
    QPromise<T> promise;
    QFuture<T> future = promise.future();
    promise.start();
    promise.setException(std::make_exception_ptr(ClipboardSearchServiceError()));
    promise.finish();
    return future;
}

template <typename T>
QFuture<T> ready(T value) {
    QPromise<T> promise;
    QFuture<T> future = promise.future();
    promise.start();
    promise.addResult(std::move(value));
    promise.finish();
    return future;
}

} // namespace

QFuture<ClipboardSearchPage> EmptyClipboardSearchService::fetchRecent(int, int) {
    return unavailable<ClipboardSearchPage>();
}

QFuture<ClipboardSearchPage> EmptyClipboardSearchService::search(const QString&, int, int) {
    return unavailable<ClipboardSearchPage>();
}

QFuture<ClipboardSearchRebuildResult> EmptyClipboardSearchService::rebuildIndex() {
    return unavailable<ClipboardSearchRebuildResult>();
}

QFuture<ClipboardSearchIndexStats> EmptyClipboardSearchService::indexStats() {
    return ready(ClipboardSearchIndexStats{});
}

QFuture<std::vector<ClipboardSearchRuntimeOperationMetricsEntry>> EmptyClipboardSearchService::runtimeMetrics() {
    return ready(std::vector<ClipboardSearchRuntimeOperationMetricsEntry>{});
}

} // namespace quellpad
