#include <gtest/gtest.h>

#include "search/ClipboardSearchRuntimeMetricsRecorder.h"
#include "search/SearchTestSupport.h"
#include "support/TestSupport.h"

using namespace quellpad;
using Kind = ClipboardSearchRuntimeOperationKind;
using Recorder = ClipboardSearchRuntimeMetricsRecorder;

namespace {

std::deque<Recorder::OperationSample> samples(std::initializer_list<double> durations) {
    std::deque<Recorder::OperationSample> result;
    for (double duration : durations) {
        result.push_back({duration, false, QDateTime::fromSecsSinceEpoch(static_cast<qint64>(duration))});
    }
    return result;
}

int countLines(const test::LogCapture& capture, LogLevel level, const QString& prefix) {
    int count = 0;
    for (const test::CapturedLogLine& line : capture.lines()) {
        count += line.level == level && line.category == QStringLiteral("ClipboardSearch") && line.message.startsWith(prefix);
    }
    return count;
}

} // namespace

TEST(ClipboardSearchRuntimeMetrics, Percentiles) {
    struct Case {
        std::deque<Recorder::OperationSample> samples;
        double p50, p95, max;
    };
    const std::vector<Case> cases{
        {samples({7}), 7, 7, 7},
        {samples({40, 10, 30, 20}), 30, 40, 40}, // index round(1.5) = 2, round(2.85) = 3
        {samples({1, 2}), 2, 2, 2},              // round(0.5) = 1: halves away from zero
        {samples({5, 1, 3}), 3, 5, 5},
    };
    for (const Case& c : cases) {
        const ClipboardSearchRuntimeOperationMetrics metrics = Recorder::metricsOf(c.samples);
        EXPECT_EQ(metrics.sampleCount, static_cast<int>(c.samples.size()));
        EXPECT_EQ(metrics.p50Milliseconds, c.p50);
        EXPECT_EQ(metrics.p95Milliseconds, c.p95);
        EXPECT_EQ(metrics.maxMilliseconds, c.max);
        EXPECT_EQ(metrics.lastMilliseconds, c.samples.back().durationMilliseconds);
        EXPECT_EQ(metrics.lastRecordedAt, c.samples.back().recordedAt);
    }
    EXPECT_EQ(Recorder::metricsOf({}), ClipboardSearchRuntimeOperationMetrics{});
}

TEST(ClipboardSearchRuntimeMetrics, EvictsTheOldestBeyond256AndCountsFailures) {
    Recorder recorder;
    for (int i = 1; i <= 257; ++i) {
        recorder.record({Kind::textOnlySearch}, i / 1000.0, i % 10 == 0).waitForFinished();
    }
    const auto entries = recorder.metrics().result();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].kind, Kind::textOnlySearch);
    const ClipboardSearchRuntimeOperationMetrics& metrics = entries[0].metrics;
    EXPECT_EQ(metrics.sampleCount, 256);
    EXPECT_EQ(metrics.failureCount, 25); // 10, 20, ... 250 remain
    EXPECT_DOUBLE_EQ(*metrics.maxMilliseconds, 257);
    EXPECT_DOUBLE_EQ(*metrics.lastMilliseconds, 257);
    EXPECT_DOUBLE_EQ(*metrics.p50Milliseconds, 130); // sorted 2...257, index round(127.5) = 128
}

TEST(ClipboardSearchRuntimeMetrics, MetricsListKindsWithSamplesInKindOrder) {
    const QDateTime now = QDateTime::fromSecsSinceEpoch(1'000'000);
    Recorder recorder([now] { return now; });
    recorder.record({Kind::rebuildIndex}, 0.01, false).waitForFinished();
    recorder.record({Kind::search, Kind::filtersOnlySearch}, 0.002, true).waitForFinished();
    const auto entries = recorder.metrics().result();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].kind, Kind::search);
    EXPECT_EQ(entries[1].kind, Kind::filtersOnlySearch);
    EXPECT_EQ(entries[2].kind, Kind::rebuildIndex);
    EXPECT_EQ(entries[0].metrics.failureCount, 1);
    EXPECT_DOUBLE_EQ(*entries[0].metrics.lastMilliseconds, 2);
    EXPECT_EQ(entries[2].metrics.lastRecordedAt, now);
}

TEST(ClipboardSearchRuntimeMetrics, LogsSlowOperationsRebuildsAndEveryFiftiethSample) {
    test::LogCapture capture;
    Recorder recorder;
    recorder.record({Kind::search, Kind::textOnlySearch}, 0.3, false).waitForFinished();
    EXPECT_EQ(countLines(capture, LogLevel::warning, QStringLiteral("Search runtime search duration=300.0ms p50=300.0ms "
                                                                    "p95=300.0ms max=300.0ms samples=1 failures=0")),
              1);
    EXPECT_EQ(countLines(capture, LogLevel::warning, QStringLiteral("Search runtime textOnlySearch duration=300.0ms")), 1);

    for (int i = 0; i < 298; ++i) {
        recorder.record({Kind::search, Kind::textOnlySearch}, 0.1, false).waitForFinished();
    }
    // Samples 50, 100, ... 250 and, past the full window, 300 still log.
    EXPECT_EQ(countLines(capture, LogLevel::info, QStringLiteral("Search runtime search ")), 5);
    recorder.record({Kind::search}, 0.1, false).waitForFinished();
    EXPECT_EQ(countLines(capture, LogLevel::info, QStringLiteral("Search runtime search ")), 6);
    EXPECT_TRUE(capture.contains(LogLevel::info, QStringLiteral("ClipboardSearch"),
                                 QStringLiteral("Search runtime search duration=100.0ms p50=100.0ms p95=100.0ms "
                                                "max=100.0ms samples=256 failures=0")));
    EXPECT_EQ(countLines(capture, LogLevel::info, QStringLiteral("Search runtime textOnlySearch")), 0);

    recorder.record({Kind::fetchRecent}, 0.149, false).waitForFinished();
    recorder.record({Kind::fetchRecent}, 0.150, false).waitForFinished();
    EXPECT_EQ(countLines(capture, LogLevel::warning, QStringLiteral("Search runtime fetchRecent")), 1);

    recorder.record({Kind::rebuildIndex}, 1.5, false).waitForFinished();
    recorder.record({Kind::rebuildIndex}, 2.0, true).waitForFinished();
    EXPECT_EQ(countLines(capture, LogLevel::info, QStringLiteral("Search runtime rebuildIndex duration=1500.0ms")), 1);
    EXPECT_EQ(countLines(capture, LogLevel::warning,
                         QStringLiteral("Search runtime rebuildIndex duration=2000.0ms p50=2000.0ms p95=2000.0ms "
                                        "max=2000.0ms samples=2 failures=1")),
              1);
}

TEST(ClipboardSearchRuntimeMetrics, LogLineShowsAbsentValuesAsDashes) {
    EXPECT_EQ(Recorder::logLine(Kind::fetchRecent, 1.25, {}),
              QStringLiteral("Search runtime fetchRecent duration=1.2ms p50=-ms p95=-ms max=-ms samples=0 failures=0"));
}
