#include <gtest/gtest.h>

#include "capture/EmptyClipboardMonitor.h"
#include "capture/MonitorFixture.h"
#include "support/TestSupport.h"

namespace quellpad {
namespace {

using test::MonitorFixture;

TEST(ClipboardMonitorCadenceTest, BurstLastsFromTheLatestEvent) {
    ClipboardMonitorCadence cadence;
    const QDateTime t0 = QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC);
    EXPECT_DOUBLE_EQ(cadence.currentInterval(t0), 0.25);
    cadence.beginBurst(t0);
    EXPECT_DOUBLE_EQ(cadence.currentInterval(t0.addMSecs(1199)), 0.03);
    EXPECT_DOUBLE_EQ(cadence.currentInterval(t0.addMSecs(1200)), 0.25);
    cadence.beginBurst(t0.addMSecs(100));
    EXPECT_DOUBLE_EQ(cadence.currentInterval(t0.addMSecs(1250)), 0.03);
    cadence.clear();
    EXPECT_DOUBLE_EQ(cadence.currentInterval(t0.addMSecs(1250)), 0.25);
}

class ClipboardMonitorTimerTest : public ::testing::Test, public MonitorFixture {};

TEST_F(ClipboardMonitorTimerTest, PollsSlowlyAtRestAndFastAfterEachChange) {
    monitor->startMonitoring(false);
    EXPECT_EQ(timers.pendingIntervals(), std::vector<double>{0.25});
    timers.fireNext();
    EXPECT_EQ(timers.pendingIntervals(), std::vector<double>{0.25});

    pasteboard.setText(QStringLiteral("one"));
    timers.fireNext(); // detects the change at t
    const QDateTime firstChange = clock.now();
    EXPECT_EQ(timers.pendingIntervals(), std::vector<double>{0.03});
    // A second change 0.09 s later keeps the burst going for 1.2 s after it.
    timers.fireNext();
    timers.fireNext();
    pasteboard.setText(QStringLiteral("two"));
    timers.fireNext();
    const QDateTime secondChange = clock.now();
    EXPECT_NEAR(firstChange.msecsTo(secondChange), 90, 1);
    int burstPolls = 0;
    while (timers.pendingIntervals() == std::vector<double>{0.03}) {
        timers.fireNext();
        ++burstPolls;
        ASSERT_LT(burstPolls, 100);
    }
    EXPECT_GE(secondChange.msecsTo(clock.now()), 1200);
    EXPECT_LT(secondChange.msecsTo(clock.now()), 1200 + 31);
    EXPECT_EQ(timers.pendingIntervals(), std::vector<double>{0.25});
    EXPECT_EQ(repository->inserts.size(), 2u);
}

TEST_F(ClipboardMonitorTimerTest, CopyIntentAndOwnerChangeWakeThePollEarly) {
    monitor->startMonitoring(false);
    monitor->noteCopyIntent();
    EXPECT_EQ(timers.pendingIntervals(), std::vector<double>{0.02});
    timers.fireNext();
    EXPECT_EQ(timers.pendingIntervals(), std::vector<double>{0.03}); // the burst began with the intent

    pasteboard.setEmitsChanges(true);
    pasteboard.setText(QStringLiteral("notified"));
    EXPECT_EQ(timers.pendingIntervals(), std::vector<double>{0.0});
    timers.fireNext();
    ASSERT_EQ(repository->inserts.size(), 1u);
    EXPECT_EQ(repository->inserts[0].plainText, QStringLiteral("notified"));
}

TEST_F(ClipboardMonitorTimerTest, NothingIsScheduledWhileStoppedOrPaused) {
    monitor->noteCopyIntent();
    EXPECT_TRUE(timers.pendingIntervals().empty());
    monitor->startMonitoring(false);
    monitor->pauseTemporarily();
    EXPECT_TRUE(timers.pendingIntervals().empty());
    monitor->noteCopyIntent();
    monitor->noteClipboardChanged();
    EXPECT_TRUE(timers.pendingIntervals().empty());
    EXPECT_FALSE(monitor->cadence().burstDeadline);
    monitor->resumeFromTemporaryPause();
    EXPECT_EQ(timers.pendingIntervals(), std::vector<double>{0.25});
    monitor->stopMonitoring();
    EXPECT_TRUE(timers.pendingIntervals().empty());
}

TEST_F(ClipboardMonitorTimerTest, DestroyingTheMonitorCancelsItsTimer) {
    monitor->startMonitoring(false);
    monitor.reset();
    EXPECT_FALSE(timers.fireNext());
}

TEST_F(ClipboardMonitorTimerTest, QtTimersDriveTheRealChain) {
    QtOneShotTimerScheduler qtTimers;
    SystemClock systemClock;
    ClipboardMonitorDependencies dependencies{repository, runner, pasteboard, workspace, codec, defaults, systemClock,
                                              qtTimers,   {},     {},         {},        DistributionChannel::unknown};
    ClipboardMonitor realMonitor(std::move(dependencies));
    realMonitor.startMonitoring(false);
    pasteboard.setText(QStringLiteral("via Qt timers"));
    ASSERT_TRUE(test::processEventsUntil([&] { return !repository->inserts.empty(); }, 3000));
    realMonitor.stopMonitoring();
}

class ClipboardMonitorPauseTest : public ::testing::Test, public MonitorFixture {};

TEST_F(ClipboardMonitorPauseTest, CopiesDuringAPauseAreNeverCaptured) {
    monitor->startMonitoring(false);
    std::vector<bool> pauseSignals;
    QObject::connect(monitor.get(), &ClipboardMonitor::temporaryPauseChanged,
                     [&](bool paused) { pauseSignals.push_back(paused); });
    monitor->pauseTemporarily();
    EXPECT_TRUE(monitor->isTemporarilyPaused());
    pasteboard.setText(QStringLiteral("during pause"));
    monitor->checkForChanges();
    monitor->resumeFromTemporaryPause();
    EXPECT_FALSE(monitor->isTemporarilyPaused());
    monitor->checkForChanges();
    EXPECT_TRUE(repository->inserts.empty());
    pasteboard.setText(QStringLiteral("after pause"));
    monitor->checkForChanges();
    EXPECT_EQ(repository->inserts.size(), 1u);
    EXPECT_EQ(pauseSignals, (std::vector<bool>{true, false}));
}

TEST_F(ClipboardMonitorPauseTest, ResumeWhenPausedWhileStoppedOnlyRebaselines) {
    monitor->pauseTemporarily();
    pasteboard.setText(QStringLiteral("during pause"));
    monitor->resumeFromTemporaryPause();
    EXPECT_FALSE(monitor->isMonitoring());
    EXPECT_TRUE(timers.pendingIntervals().empty());
    EXPECT_EQ(monitor->lastChangeCount(), pasteboard.changeCount());
    EXPECT_TRUE(monitor->lastCapturedFingerprint());
}

TEST_F(ClipboardMonitorPauseTest, StopClearsThePause) {
    monitor->startMonitoring(false);
    monitor->pauseTemporarily();
    monitor->pauseTemporarily(); // a second pause must not forget that polling was active
    monitor->stopMonitoring();
    EXPECT_FALSE(monitor->isTemporarilyPaused());
    monitor->resumeFromTemporaryPause();
    EXPECT_FALSE(monitor->isMonitoring());
}

TEST_F(ClipboardMonitorPauseTest, PerformWithoutCaptureHidesOwnWritesAndPassesFailuresOn) {
    monitor->startMonitoring(false);
    monitor->performWithoutCapture([&] { pasteboard.write({{PasteboardTypes::plainText, QByteArray("ours")}}); });
    EXPECT_TRUE(monitor->isMonitoring());
    monitor->checkForChanges();
    EXPECT_TRUE(repository->inserts.empty());

    EXPECT_THROW(monitor->performWithoutCapture([&] {
        pasteboard.write({{PasteboardTypes::plainText, QByteArray("ours too")}});
        throw std::runtime_error("write failed");
    }),
                 std::runtime_error);
    EXPECT_TRUE(monitor->isMonitoring());
    EXPECT_EQ(timers.pendingIntervals().size(), 1u);
    monitor->checkForChanges();
    EXPECT_TRUE(repository->inserts.empty());

    // Paused (not monitoring): the write just runs and the pause stays.
    monitor->pauseTemporarily();
    bool ran = false;
    monitor->performWithoutCapture([&] { ran = true; });
    EXPECT_TRUE(ran);
    EXPECT_TRUE(monitor->isTemporarilyPaused());
    EXPECT_TRUE(timers.pendingIntervals().empty());
}

TEST(EmptyClipboardMonitorTest, OnlyRemembersThePause) {
    EmptyClipboardMonitor empty;
    empty.pauseTemporarily();
    EXPECT_TRUE(empty.isTemporarilyPaused());
    empty.stopMonitoring();
    EXPECT_FALSE(empty.isTemporarilyPaused());
    int runs = 0;
    empty.performWithoutCapture([&] { ++runs; });
    EXPECT_EQ(runs, 1);
}

} // namespace
} // namespace quellpad
