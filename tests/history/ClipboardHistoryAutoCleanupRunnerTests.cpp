#include <gtest/gtest.h>

#include "settings/AppPreferences.h"
#include "capture/RecordingHistoryRepository.h"
#include "history/ClipboardHistoryAutoCleanupRunner.h"
#include "platform/fake/InMemoryDefaultsStore.h"
#include "platform/fake/ManualClock.h"
#include "support/TestSupport.h"

namespace quellpad {
namespace {

using test::LogCapture;
using test::RecordingHistoryRepository;

class AutoCleanupRunnerTest : public ::testing::Test {
protected:
    AutoCleanupRunnerTest()
        : repository(std::make_shared<RecordingHistoryRepository>()),
          runner(repository, defaults, 3600, [this] { return clock.now(); }) {}

    void setPolicies(const QVariant& text, const QVariant& image) {
        defaults.set(QStringLiteral("ClipboardMonitorTextAutoCleanupPolicy"), text);
        defaults.set(QStringLiteral("ClipboardMonitorImageAutoCleanupPolicy"), image);
    }

    InMemoryDefaultsStore defaults;
    ManualClock clock;
    std::shared_ptr<RecordingHistoryRepository> repository;
    ClipboardHistoryAutoCleanupRunner runner;
};

TEST_F(AutoCleanupRunnerTest, PolicyDurationsGiveTheCutoff) {
    const struct {
        const char* raw;
        qint64 seconds;
    } rows[] = {{"oneDay", 86400}, {"sevenDays", 604800}, {"thirtyDays", 2592000}, {"ninetyDays", 7776000}};
    for (const auto& row : rows) {
        repository->expiries.clear();
        ClipboardHistoryAutoCleanupRunner fresh(repository, defaults, 3600, [this] { return clock.now(); });
        setPolicies(QString::fromLatin1(row.raw), QString::fromLatin1(row.raw));
        fresh.runCleanupIfNeeded(ClipboardContentType::text, false);
        ASSERT_EQ(repository->expiries.size(), 1u) << row.raw;
        EXPECT_EQ(repository->expiries[0].type, ClipboardContentType::text);
        EXPECT_EQ(repository->expiries[0].cutoff.secsTo(clock.now()), row.seconds) << row.raw;
    }
}

TEST_F(AutoCleanupRunnerTest, NeverMissingOrMistypedPolicyDeletesNothingAndRecordsNoRun) {
    const QVariant values[] = {QVariant(), QStringLiteral("never"), QStringLiteral("OneDay"), QVariant(qlonglong(1)),
                               QStringLiteral(" oneDay")};
    for (const QVariant& value : values) {
        setPolicies(value, value);
        EXPECT_EQ(runner.runCleanupIfNeeded(ClipboardContentType::text, true), 0);
        EXPECT_EQ(runner.runCleanupIfNeeded(ClipboardContentType::image, false), 0);
    }
    EXPECT_TRUE(repository->expiries.empty());
    EXPECT_FALSE(runner.lastCleanupDate(ClipboardContentType::text));

    // A policy saved later applies at once through the forced run.
    setPolicies(QStringLiteral("oneDay"), QVariant());
    runner.runCleanupIfNeeded(ClipboardContentType::text, true);
    EXPECT_EQ(repository->expiries.size(), 1u);
}

TEST_F(AutoCleanupRunnerTest, UnforcedRunsAreThrottledToOncePerHourPerType) {
    setPolicies(QStringLiteral("oneDay"), QStringLiteral("sevenDays"));
    runner.runCleanupIfNeeded(ClipboardContentType::text, false);
    clock.advance(3599);
    runner.runCleanupIfNeeded(ClipboardContentType::text, false);
    EXPECT_EQ(repository->expiries.size(), 1u);

    // The text run does not delay the first image run.
    runner.runCleanupIfNeeded(ClipboardContentType::image, false);
    ASSERT_EQ(repository->expiries.size(), 2u);
    EXPECT_EQ(repository->expiries[1].type, ClipboardContentType::image);

    clock.advance(1);
    runner.runCleanupIfNeeded(ClipboardContentType::text, false);
    EXPECT_EQ(repository->expiries.size(), 3u);
}

TEST_F(AutoCleanupRunnerTest, ForcedRunIgnoresThrottleAndStillRestartsIt) {
    setPolicies(QStringLiteral("oneDay"), QVariant());
    runner.runCleanupIfNeeded(ClipboardContentType::text, false);
    clock.advance(10);
    runner.runCleanupIfNeeded(ClipboardContentType::text, true);
    EXPECT_EQ(repository->expiries.size(), 2u);
    EXPECT_EQ(runner.lastCleanupDate(ClipboardContentType::text), clock.now());
    clock.advance(3000);
    runner.runCleanupIfNeeded(ClipboardContentType::text, false);
    EXPECT_EQ(repository->expiries.size(), 2u);
}

TEST_F(AutoCleanupRunnerTest, ClockGoingBackCountsAsTooSoon) {
    setPolicies(QStringLiteral("oneDay"), QVariant());
    runner.runCleanupIfNeeded(ClipboardContentType::text, false);
    clock.advance(-7200);
    runner.runCleanupIfNeeded(ClipboardContentType::text, false);
    EXPECT_EQ(repository->expiries.size(), 1u);
}

TEST_F(AutoCleanupRunnerTest, LogsOnlyWhenSomethingWasDeleted) {
    setPolicies(QStringLiteral("oneDay"), QStringLiteral("oneDay"));
    LogCapture logs;
    EXPECT_EQ(runner.runCleanupIfNeeded(ClipboardContentType::text, true), 0);
    EXPECT_TRUE(logs.lines().empty());

    repository->expiredItemsToReport = 3;
    EXPECT_EQ(runner.runCleanupIfNeeded(ClipboardContentType::image, true), 3);
    EXPECT_TRUE(logs.contains(LogLevel::info, QStringLiteral("ClipboardAutoCleanup"),
                              QStringLiteral("Auto-cleaned 3 image history items")));
}

} // namespace
} // namespace quellpad
