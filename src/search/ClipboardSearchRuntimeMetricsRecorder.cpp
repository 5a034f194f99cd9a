#include "search/ClipboardSearchRuntimeMetricsRecorder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "Core/Utilities/Logger.h"
#include "Core/Utilities/SerialQueue.h"

namespace quellpad {

namespace {

const QString logCategory = QStringLiteral("ClipboardSearch");

QString milliseconds(std::optional<double> value) {
    if (!value) {
        return QStringLiteral("-");
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.1f", *value);
    return QString::fromLatin1(text);
}

bool logsPeriodically(ClipboardSearchRuntimeOperationKind kind) {
    return kind == ClipboardSearchRuntimeOperationKind::search || kind == ClipboardSearchRuntimeOperationKind::fetchRecent;
}

} // namespace

double ClipboardSearchRuntimeMetricsRecorder::thresholdMilliseconds(ClipboardSearchRuntimeOperationKind kind) {
    switch (kind) {
    case ClipboardSearchRuntimeOperationKind::fetchRecent:
        return 150;
    case ClipboardSearchRuntimeOperationKind::rebuildIndex:
        return 2000;
    default:
        return 250;
    }
}

ClipboardSearchRuntimeOperationMetrics ClipboardSearchRuntimeMetricsRecorder::metricsOf(
    const std::deque<OperationSample>& samples) {
    ClipboardSearchRuntimeOperationMetrics metrics;
    metrics.sampleCount = static_cast<int>(samples.size());
    if (samples.empty()) {
        return metrics;
    }
    std::vector<double> sorted;
    sorted.reserve(samples.size());
    for (const OperationSample& sample : samples) {
        sorted.push_back(sample.durationMilliseconds);
        metrics.failureCount += sample.failed ? 1 : 0;
    }
    std::sort(sorted.begin(), sorted.end());
    const auto at = [&](double q) {
        const double index = std::round(q * static_cast<double>(sorted.size() - 1)); // halves away from zero
        const auto clamped = static_cast<size_t>(std::clamp(index, 0.0, static_cast<double>(sorted.size() - 1)));
        return sorted[clamped];
    };
    metrics.p50Milliseconds = at(0.5);
    metrics.p95Milliseconds = at(0.95);
    metrics.maxMilliseconds = sorted.back();
    metrics.lastMilliseconds = samples.back().durationMilliseconds;
    metrics.lastRecordedAt = samples.back().recordedAt;
    return metrics;
}

QString ClipboardSearchRuntimeMetricsRecorder::logLine(ClipboardSearchRuntimeOperationKind kind,
                                                       double durationMilliseconds,
                                                       const ClipboardSearchRuntimeOperationMetrics& metrics) {
    return QStringLiteral("Search runtime ") + rawValue(kind) + QStringLiteral(" duration=") +
           milliseconds(durationMilliseconds) + QStringLiteral("ms p50=") + milliseconds(metrics.p50Milliseconds) +
           QStringLiteral("ms p95=") + milliseconds(metrics.p95Milliseconds) + QStringLiteral("ms max=") +
           milliseconds(metrics.maxMilliseconds) + QStringLiteral("ms samples=") +
           QString::number(metrics.sampleCount) + QStringLiteral(" failures=") +
           QString::number(metrics.failureCount);
}

ClipboardSearchRuntimeMetricsRecorder::ClipboardSearchRuntimeMetricsRecorder(std::function<QDateTime()> now)
    : now_(now ? std::move(now) : [] { return QDateTime::currentDateTime(); }),
      queue_(std::make_unique<SerialQueue>(QStringLiteral("ClipboardSearchRuntimeMetricsRecorder"))) {}

ClipboardSearchRuntimeMetricsRecorder::~ClipboardSearchRuntimeMetricsRecorder() {
    // Finish queued work while the members it uses still exist.
    queue_.reset();
}

QFuture<void> ClipboardSearchRuntimeMetricsRecorder::record(std::vector<ClipboardSearchRuntimeOperationKind> kinds,
                                                            double elapsedSeconds, bool failed) {
    return queue_->submit([this, kinds = std::move(kinds), elapsedSeconds, failed] {
        for (ClipboardSearchRuntimeOperationKind kind : kinds) {
            recordOne(kind, elapsedSeconds * 1000.0, failed);
        }
    });
}

void ClipboardSearchRuntimeMetricsRecorder::recordOne(ClipboardSearchRuntimeOperationKind kind,
                                                      double durationMilliseconds, bool failed) {
    std::deque<OperationSample>& samples = samplesByOperation_[kind];
    samples.push_back({durationMilliseconds, failed, now_()});
    while (static_cast<int>(samples.size()) > sampleLimit) {
        samples.pop_front();
    }
    const qint64 recorded = ++recordedCount_[kind];

    const bool slow = durationMilliseconds >= thresholdMilliseconds(kind);
    // Every 50th sample ever recorded; the window itself stays at 256 once full.
    const bool periodic = logsPeriodically(kind) && recorded % 50 == 0;
    if (!slow && !periodic && kind != ClipboardSearchRuntimeOperationKind::rebuildIndex) {
        return;
    }
    const QString line = logLine(kind, durationMilliseconds, metricsOf(samples));
    if (slow) {
        Logger::warning(line, logCategory);
    } else {
        Logger::info(line, logCategory);
    }
}

QFuture<std::vector<ClipboardSearchRuntimeOperationMetricsEntry>> ClipboardSearchRuntimeMetricsRecorder::metrics() {
    return queue_->submit([this] {
        std::vector<ClipboardSearchRuntimeOperationMetricsEntry> entries;
        for (const auto& [kind, samples] : samplesByOperation_) {
            if (!samples.empty()) {
                entries.push_back({kind, metricsOf(samples)});
            }
        }
        return entries;
    });
}

} // namespace quellpad
