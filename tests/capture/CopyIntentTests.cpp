#include <gtest/gtest.h>

#include "capture/SystemClipboardCopyIntentMonitor.h"
#include "capture/MonitorFixture.h"
#include "support/TestSupport.h"

using namespace quellpad;

namespace {

// A key observer driven by the test: it can refuse to start, and "presses" keys.
class ScriptedKeyMonitor final : public GlobalKeyMonitor {
public:
    bool start(std::function<void(const GlobalKeyDownEvent&)> handler) override {
        ++starts;
        if (refuse) {
            return false;
        }
        handler_ = std::move(handler);
        return true;
    }
    void stop() override {
        ++stops;
        handler_ = nullptr;
    }
    void press(const GlobalKeyDownEvent& event) {
        if (handler_) handler_(event);
    }
    bool installed() const { return static_cast<bool>(handler_); }

    bool refuse = false;
    int starts = 0;
    int stops = 0;

private:
    std::function<void(const GlobalKeyDownEvent&)> handler_;
};

GlobalKeyDownEvent key(const char* characters, bool control, bool alt = false, bool super = false, bool shift = false,
                       bool repeat = false) {
    return {QString::fromLatin1(characters), repeat, control, alt, super, shift};
}

const QString category = QStringLiteral("ClipboardMonitor");

} // namespace

TEST(CopyShortcut, OnlyControlWithCOrXCounts) {
    struct Case {
        GlobalKeyDownEvent event;
        bool expected;
    };
    const std::vector<Case> cases{
        {key("c", true), true},
        {key("x", true), true},
        {key("C", true, false, false, true), true},  // Ctrl+Shift+C, as terminals use
        {key("x", true, false, false, true), true},
        {key("v", true), false},
        {key("c", false), false},
        {key("c", true, true), false},  // Ctrl+Alt+C
        {key("c", true, false, true), false},  // Ctrl+Super+C
        {key("c", true, false, false, false, true), false},  // held down
        {key("", true), false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SystemClipboardCopyIntentMonitor::isCopyShortcut(c.event), c.expected)
            << c.event.charactersIgnoringModifiers.toStdString() << " ctrl=" << c.event.control << " alt=" << c.event.alt
            << " super=" << c.event.super << " repeat=" << c.event.isRepeat;
    }
}

class CopyIntentMonitorTest : public ::testing::Test, public test::MonitorFixture {
protected:
    std::shared_ptr<ScriptedKeyMonitor> keys = std::make_shared<ScriptedKeyMonitor>();

    void build(DistributionChannel channel, bool trusted) {
        monitor.reset();
        ClipboardMonitorDependencies dependencies{repository, runner, pasteboard, workspace, codec, defaults, clock, timers,
                                                  nullptr,    {},     {},         channel,
                                                  std::make_shared<SystemClipboardCopyIntentMonitor>(keys),
                                                  [trusted] { return trusted; }};
        monitor = std::make_unique<ClipboardMonitor>(std::move(dependencies));
    }
};

TEST_F(CopyIntentMonitorTest, ACopyShortcutPollsAtOnceAndStartsTheBurst) {
    build(DistributionChannel::direct, true);
    monitor->startMonitoring(false);
    ASSERT_TRUE(keys->installed());
    EXPECT_EQ(timers.pendingIntervals(), std::vector<double>{0.25});

    keys->press(key("c", true, true)); // Ctrl+Alt+C is not a copy
    test::drainEvents();
    EXPECT_EQ(timers.pendingIntervals(), std::vector<double>{0.25});

    keys->press(key("c", true));
    test::drainEvents();
    EXPECT_EQ(timers.pendingIntervals(), std::vector<double>{0.02});
    pasteboard.setText(QStringLiteral("copied right after the shortcut"));
    ASSERT_TRUE(timers.fireNext());
    EXPECT_EQ(repository->inserts.size(), 1u);
    EXPECT_EQ(timers.pendingIntervals(), std::vector<double>{0.03}) << "the burst cadence follows";
}

TEST_F(CopyIntentMonitorTest, PauseStopAndRestartRemoveTheObserver) {
    build(DistributionChannel::direct, true);
    monitor->startMonitoring(false);
    monitor->pauseTemporarily();
    EXPECT_FALSE(keys->installed());
    keys->press(key("c", true));
    test::drainEvents();
    EXPECT_TRUE(timers.pendingIntervals().empty()) << "a copy intent while paused changes nothing";
    monitor->resumeFromTemporaryPause();
    EXPECT_TRUE(keys->installed());
    monitor->stopMonitoring();
    EXPECT_FALSE(keys->installed());
}

TEST_F(CopyIntentMonitorTest, OnlyTheTrustedDirectChannelInstallsIt) {
    for (const auto& [channel, trusted] : std::vector<std::pair<DistributionChannel, bool>>{
             {DistributionChannel::appStore, true}, {DistributionChannel::unknown, true}, {DistributionChannel::direct, false}}) {
        keys = std::make_shared<ScriptedKeyMonitor>();
        test::LogCapture logs;
        build(channel, trusted);
        monitor->startMonitoring(false);
        EXPECT_EQ(keys->starts, 0);
        EXPECT_TRUE(logs.lines().empty());
    }
}

TEST_F(CopyIntentMonitorTest, ARefusedObserverIsReportedAndPollingGoesOn) {
    keys->refuse = true;
    build(DistributionChannel::direct, true);
    test::LogCapture logs;
    monitor->startMonitoring(false);
    EXPECT_TRUE(logs.contains(LogLevel::warning, category,
                              QStringLiteral("Clipboard copy intent monitor failed to start; adaptive polling remains active")));
    EXPECT_EQ(timers.pendingIntervals(), std::vector<double>{0.25});
}
