#include "capture/ClipboardMonitor.h"

#include <exception>

#include <QCoreApplication>
#include <QFuture>
#include <QPointer>

#include "Core/Utilities/Logger.h"
#include "Core/Utilities/TextUtilities.h"
#include "settings/AppPreferences.h"
#include "capture/ClipboardImageTextRecognizing.h"
#include "history/ClipboardHistoryAutoCleanupRunner.h"
#include "history/ClipboardHistoryRepositoryProtocol.h"
#include "platform/Clock.h"
#include "platform/OneShotTimer.h"
#include "platform/Pasteboard.h"
#include "platform/Workspace.h"

namespace quellpad {

namespace {

const QString logCategory = QStringLiteral("ClipboardMonitor");
constexpr double copyIntentPollInterval = 0.02; // seconds
constexpr double ownerChangePollInterval = 0.0; // seconds: at the next turn of the loop

} // namespace

ClipboardMonitor::ClipboardMonitor(ClipboardMonitorDependencies dependencies, QObject* parent)
    : QObject(parent),
      deps_(std::move(dependencies)),
      reader_(deps_.pasteboard, deps_.imageCodec),
      recorder_({deps_.repository, deps_.autoCleanupRunner, deps_.imageTextRecognizer, deps_.classify}) {
    lastChangeCount_ = deps_.pasteboard.changeCount();
    connect(&deps_.pasteboard, &Pasteboard::changed, this, &ClipboardMonitor::noteClipboardChanged);
    if (deps_.imageTextRecognizer) {
        // Called on the recogniser's thread: hand over to this object's thread.
        QPointer<ClipboardMonitor> weakSelf(this);
        deps_.imageTextRecognizer->setIdleHandler([weakSelf] {
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [weakSelf] {
                    if (weakSelf) {
                        weakSelf->resumeTextRecognition();
                    }
                },
                Qt::QueuedConnection);
        });
    }
}

ClipboardMonitor::~ClipboardMonitor() {
    if (deps_.imageTextRecognizer) {
        deps_.imageTextRecognizer->setIdleHandler({});
    }
}

void ClipboardMonitor::resumeTextRecognition() {
    if (AppPreferences(deps_.userDefaults).imageOCREnabled()) {
        recorder_.resumeTextRecognition();
    }
}

void ClipboardMonitor::stopPolling() {
    if (deps_.copyIntentMonitor) {
        deps_.copyIntentMonitor->stop();
    }
    timer_.reset();
    cadence_.clear();
    isMonitoring_ = false;
}

void ClipboardMonitor::rebaseline() {
    lastChangeCount_ = deps_.pasteboard.changeCount();
    const AppPreferences preferences(deps_.userDefaults);
    try {
        lastCapturedFingerprint_ =
            reader_.carriesSecretHint() ? std::nullopt : reader_.currentFingerprint(preferences.maxItemSizeInBytes());
    } catch (const std::exception& error) {
        lastCapturedFingerprint_.reset();
        Logger::error(QStringLiteral("Failed to read the clipboard: ") + QString::fromUtf8(error.what()), logCategory);
    }
}

void ClipboardMonitor::startMonitoring(bool runInitialCleanup) {
    if (deps_.copyIntentMonitor) {
        deps_.copyIntentMonitor->stop();
    }
    timer_.reset();
    cadence_.clear();
    rebaseline();
    isMonitoring_ = true;
    startCopyIntentMonitor();
    if (runInitialCleanup && deps_.autoCleanupRunner) {
        deps_.autoCleanupRunner->runCleanupIfNeeded(ClipboardContentType::text, true);
        deps_.autoCleanupRunner->runCleanupIfNeeded(ClipboardContentType::image, true);
    }
    if (runInitialCleanup) {
        // Images left without text by the last run (skipped in a burst, or cut short by a quit).
        resumeTextRecognition();
    }
    scheduleNextPoll();
}

void ClipboardMonitor::startCopyIntentMonitor() {
    if (!deps_.copyIntentMonitor || deps_.distributionChannel != DistributionChannel::direct) {
        return;
    }
    if (!deps_.isAccessibilityTrusted || !deps_.isAccessibilityTrusted()) {
        return;
    }
    // The handler runs on the key observer's thread: it only hands over to the main thread.
    QPointer<ClipboardMonitor> weakSelf(this);
    const bool started = deps_.copyIntentMonitor->start([weakSelf] {
        QMetaObject::invokeMethod(
            weakSelf.data(), [weakSelf] {
                if (weakSelf) {
                    weakSelf->noteCopyIntent();
                }
            },
            Qt::QueuedConnection);
    });
    if (!started) {
        Logger::warning(QStringLiteral("Clipboard copy intent monitor failed to start; adaptive polling remains active"),
                        logCategory);
    }
}

void ClipboardMonitor::stopMonitoring() {
    stopPolling();
    shouldResumeAfterTemporaryPause_ = false;
    setTemporarilyPaused(false);
}

void ClipboardMonitor::pauseTemporarily() {
    if (isTemporarilyPaused_) {
        return;
    }
    shouldResumeAfterTemporaryPause_ = isMonitoring_;
    stopPolling();
    setTemporarilyPaused(true);
}

void ClipboardMonitor::resumeFromTemporaryPause() {
    if (!isTemporarilyPaused_) {
        return;
    }
    const bool resume = shouldResumeAfterTemporaryPause_;
    shouldResumeAfterTemporaryPause_ = false;
    setTemporarilyPaused(false);
    if (resume) {
        startMonitoring(false);
    } else {
        rebaseline();
    }
}

void ClipboardMonitor::clearTemporaryPauseState() {
    shouldResumeAfterTemporaryPause_ = false;
    setTemporarilyPaused(false);
}

void ClipboardMonitor::setTemporarilyPaused(bool paused) {
    if (isTemporarilyPaused_ == paused) {
        return;
    }
    isTemporarilyPaused_ = paused;
    Q_EMIT temporaryPauseChanged(paused);
}

void ClipboardMonitor::performWithoutCapture(const std::function<void()>& body) {
    if (!isMonitoring_) {
        body();
        return;
    }
    stopPolling();
    shouldResumeAfterTemporaryPause_ = false;
    setTemporarilyPaused(false);
    try {
        body();
    } catch (...) {
        startMonitoring(false);
        throw;
    }
    // Re-baselining here makes what the body wrote invisible to the next poll.
    startMonitoring(false);
}

void ClipboardMonitor::scheduleNextPoll(std::optional<double> fixedInterval) {
    if (!isMonitoring_ || isTemporarilyPaused_) {
        return;
    }
    const double interval = fixedInterval.value_or(cadence_.currentInterval(deps_.clock.now()));
    // The timer lives in timer_, so destroying the monitor cancels it.
    timer_ = deps_.timerScheduler.schedule(interval, [this] {
        timer_.reset();
        pollChecked();
        scheduleNextPoll();
    });
}

void ClipboardMonitor::wakeForImmediatePoll(double interval) {
    if (!isMonitoring_ || isTemporarilyPaused_) {
        return;
    }
    cadence_.beginBurst(deps_.clock.now());
    timer_.reset();
    scheduleNextPoll(interval);
}

void ClipboardMonitor::noteCopyIntent() { wakeForImmediatePoll(copyIntentPollInterval); }

void ClipboardMonitor::noteClipboardChanged() { wakeForImmediatePoll(ownerChangePollInterval); }

void ClipboardMonitor::pollChecked() {
    // Nothing in a poll may stop the chain: a failing read ends only this poll.
    try {
        checkForChanges();
    } catch (const std::exception& error) {
        Logger::error(QStringLiteral("Clipboard poll failed: ") + QString::fromUtf8(error.what()), logCategory);
    } catch (...) {
        Logger::error(QStringLiteral("Clipboard poll failed with an unknown error"), logCategory);
    }
}

void ClipboardMonitor::checkForChanges() {
    if (isTemporarilyPaused_) {
        return;
    }
    const AppPreferences preferences(deps_.userDefaults);
    const CaptureSettings settings{preferences.maxItemSizeInBytes(), preferences.textCaptureEnabled(),
                                   preferences.imageCaptureEnabled(), preferences.imageOCREnabled()};
    // Changes the backend snapshotted as they happened come first, oldest first, so a
    // burst of copies is stored copy by copy; then whatever the clipboard holds now.
    while (const std::optional<qint64> queued = deps_.pasteboard.takeNextChange(lastChangeCount_)) {
        handleChange(*queued, settings);
        if (isTemporarilyPaused_) {
            return;
        }
    }
    const qint64 changeCount = deps_.pasteboard.changeCount();
    if (changeCount == lastChangeCount_) {
        return;
    }
    handleChange(changeCount, settings);
}

void ClipboardMonitor::handleChange(qint64 changeCount, const CaptureSettings& settings) {
    const qint64 difference = changeCount - lastChangeCount_;
    if (difference > 1) {
        Logger::warning(QStringLiteral("Clipboard changeCount advanced by %1; intermediate clipboard contents may "
                                       "have been overwritten")
                            .arg(difference),
                        logCategory);
    }
    cadence_.beginBurst(deps_.clock.now());
    // From here on the change counts as seen, even when nothing is captured.
    lastChangeCount_ = changeCount;

    const std::optional<RunningApplication> frontmost = deps_.workspace.frontmostApplication();
    const std::optional<QString> source = frontmost ? frontmost->bundleIdentifier : std::nullopt;
    if (source == deps_.workspace.ownBundleIdentifier()) {
        return;
    }
    if (source && deps_.isIgnored && deps_.isIgnored(*source)) {
        return;
    }
    if (reader_.carriesSecretHint()) {
        Logger::info(QStringLiteral("Skipped a clipboard item marked secret by a password manager"), logCategory);
        return;
    }

    const std::optional<ClipboardMonitoredPayload> payload =
        reader_.readMonitoredPayload(settings.maxBytes, settings.textCaptureEnabled, settings.imageCaptureEnabled);
    if (!payload) {
        return;
    }
    if (payload->fingerprint == lastCapturedFingerprint_) {
        return;
    }
    lastCapturedFingerprint_ = payload->fingerprint;
    capture(*payload, source, settings.ocrEnabled);
}

void ClipboardMonitor::capture(const ClipboardMonitoredPayload& payload,
                               const std::optional<QString>& bundleIdentifier, bool ocrEnabled) {
    recorder_.record(payload, bundleIdentifier, ocrEnabled);
}

} // namespace quellpad
