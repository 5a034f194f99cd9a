// Recent durations of the search service's operations, per operation kind, and the
// percentiles the service logs and reports. An actor: every call runs on the
// recorder's own serial queue and answers through a future, so recording never
// blocks the index store's queue. Memory is bounded to 256 samples per kind.
#pragma once

#include <array>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include <QDateTime>
#include <QFuture>
#include <QString>

#include "Core/Utilities/RawValueEnum.h"

namespace quellpad {

class SerialQueue;

enum class ClipboardSearchRuntimeOperationKind {
    search,
    textOnlySearch,
    textWithFiltersSearch,
    filtersOnlySearch,
    fetchRecent,
    rebuildIndex,
};

inline constexpr std::array<RawValueCase<ClipboardSearchRuntimeOperationKind>, 6>
    clipboardSearchRuntimeOperationKindCases{{
        {ClipboardSearchRuntimeOperationKind::search, "search"},
        {ClipboardSearchRuntimeOperationKind::textOnlySearch, "textOnlySearch"},
        {ClipboardSearchRuntimeOperationKind::textWithFiltersSearch, "textWithFiltersSearch"},
        {ClipboardSearchRuntimeOperationKind::filtersOnlySearch, "filtersOnlySearch"},
        {ClipboardSearchRuntimeOperationKind::fetchRecent, "fetchRecent"},
        {ClipboardSearchRuntimeOperationKind::rebuildIndex, "rebuildIndex"},
    }};

inline QString rawValue(ClipboardSearchRuntimeOperationKind kind) {
    return rawValueOf(clipboardSearchRuntimeOperationKindCases, kind);
}

struct ClipboardSearchRuntimeOperationMetrics {
    int sampleCount = 0;
    int failureCount = 0;
    std::optional<double> p50Milliseconds;
    std::optional<double> p95Milliseconds;
    std::optional<double> maxMilliseconds;
    std::optional<double> lastMilliseconds;
    std::optional<QDateTime> lastRecordedAt;

    bool operator==(const ClipboardSearchRuntimeOperationMetrics&) const = default;
};

struct ClipboardSearchRuntimeOperationMetricsEntry {
    ClipboardSearchRuntimeOperationKind kind;
    ClipboardSearchRuntimeOperationMetrics metrics;

    bool operator==(const ClipboardSearchRuntimeOperationMetricsEntry&) const = default;
};

class ClipboardSearchRuntimeMetricsRecorder {
public:
    static constexpr int sampleLimit = 256;

    struct OperationSample {
        double durationMilliseconds = 0;
        bool failed = false;
        QDateTime recordedAt;
    };

    // Duration from which an operation of the kind logs a warning: 250 ms for the
    // searches, 150 ms for the recent page, 2000 ms for a rebuild.
    static double thresholdMilliseconds(ClipboardSearchRuntimeOperationKind kind);

    // Percentiles of a sample list (oldest first): index round(q * (n - 1)), halves away from zero.
    static ClipboardSearchRuntimeOperationMetrics metricsOf(const std::deque<OperationSample>& samples);

    // "Search runtime <kind> duration=<ms>ms p50=... p95=... max=... samples=<n> failures=<n>".
    static QString logLine(ClipboardSearchRuntimeOperationKind kind, double durationMilliseconds,
                           const ClipboardSearchRuntimeOperationMetrics& metrics);

    explicit ClipboardSearchRuntimeMetricsRecorder(std::function<QDateTime()> now = {});
    ~ClipboardSearchRuntimeMetricsRecorder();

    // Stores one sample per kind (elapsed seconds × 1000 ms) and writes the kind's log
    // line when it is slow, a rebuild, or every 50th search or recent-page sample.
    QFuture<void> record(std::vector<ClipboardSearchRuntimeOperationKind> kinds, double elapsedSeconds, bool failed);

    // The kinds that have samples, in kind order.
    QFuture<std::vector<ClipboardSearchRuntimeOperationMetricsEntry>> metrics();

private:
    void recordOne(ClipboardSearchRuntimeOperationKind kind, double durationMilliseconds, bool failed);

    std::function<QDateTime()> now_;
    std::map<ClipboardSearchRuntimeOperationKind, std::deque<OperationSample>> samplesByOperation_;
    // Samples ever recorded per kind; the window stops growing at 256, this does not.
    std::map<ClipboardSearchRuntimeOperationKind, qint64> recordedCount_;
    std::unique_ptr<SerialQueue> queue_;
};

} // namespace quellpad
