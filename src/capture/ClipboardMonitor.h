// Watches the clipboard and turns each new copy into a history record.
//
// Polls the pasteboard's change counter on the main thread with a chain of one-shot
// timers (slow at rest, fast in a burst after each change); a backend that reports
// changes as they happen (Pasteboard::changed) wakes it for an immediate poll, so
// rapid successive copies are each seen. Copies from this application, from ignored
// applications, copies marked secret by a password manager, oversize items and a
// payload identical to the previous capture are dropped. Everything here runs on the
// main thread.
#pragma once

#include <functional>
#include <memory>
#include <optional>

#include <QObject>
#include <QString>

#include "settings/DistributionChannel.h"
#include "capture/ClipboardCaptureRecorder.h"
#include "capture/ClipboardMonitorCadence.h"
#include "capture/ClipboardMonitorProtocol.h"
#include "capture/SystemClipboardCopyIntentMonitor.h"
#include "capture/ClipboardMonitoredPayload.h"
#include "capture/ClipboardPayloadReader.h"

namespace quellpad {

class Clock;
class ClipboardHistoryAutoCleanupRunner;
class ClipboardHistoryRepositoryProtocol;
class ClipboardImageTextRecognizing;
class DefaultsStore;
class ImageCodec;
class OneShotTimerScheduler;
class Pasteboard;
class ScheduledTimer;
class Workspace;

// Whether copies made in the application with this id are ignored.
using ClipboardIgnoredApplicationCheck = std::function<bool(const QString& bundleIdentifier)>;

// What the monitor is built over. The references must outlive the monitor.
struct ClipboardMonitorDependencies {
    std::shared_ptr<ClipboardHistoryRepositoryProtocol> repository;
    std::shared_ptr<ClipboardHistoryAutoCleanupRunner> autoCleanupRunner;
    Pasteboard& pasteboard;
    Workspace& workspace;
    ImageCodec& imageCodec;
    DefaultsStore& userDefaults;
    Clock& clock;
    OneShotTimerScheduler& timerScheduler;
    // Optional: no recognition when absent.
    std::shared_ptr<ClipboardImageTextRecognizing> imageTextRecognizer;
    // Optional: texts are stored unclassified when absent.
    ClipboardTextClassifier classify;
    // Optional: nothing is ignored when absent.
    ClipboardIgnoredApplicationCheck isIgnored;
    DistributionChannel distributionChannel = DistributionChannel::unknown;
    // Optional: copy shortcuts wake the monitor at once (direct channel, trusted only).
    std::shared_ptr<ClipboardCopyIntentMonitoring> copyIntentMonitor = nullptr;
    // Whether the accessibility interface may be used; absent counts as not trusted.
    std::function<bool()> isAccessibilityTrusted = nullptr;
};

class ClipboardMonitor final : public QObject, public ClipboardMonitorProtocol {
    Q_OBJECT
public:
    // Baselines lastChangeCount on the pasteboard's current count; polling starts
    // with startMonitoring.
    explicit ClipboardMonitor(ClipboardMonitorDependencies dependencies, QObject* parent = nullptr);
    ~ClipboardMonitor() override;

    // Re-baselines on the current content (which is never captured), optionally runs
    // the forced retention cleanup for text then images, and starts polling.
    void startMonitoring(bool runInitialCleanup);
    void stopMonitoring() override;
    void pauseTemporarily() override;
    void resumeFromTemporaryPause() override;
    void performWithoutCapture(const std::function<void()>& body) override;
    bool isTemporarilyPaused() const override { return isTemporarilyPaused_; }
    bool isMonitoring() const { return isMonitoring_; }
    // Forgets a pause without starting or stopping anything (service rebuild).
    void clearTemporaryPauseState();

    // A copy is about to happen (copy shortcut seen): begin the burst and poll in 0.02 s.
    void noteCopyIntent();
    // The clipboard owner changed (backend notification): poll at the next turn of the loop.
    void noteClipboardChanged();
    // Recognises stored images whose text never was, while recognition is enabled;
    // runs at the first start and whenever the recogniser runs out of work.
    void resumeTextRecognition();

    // One poll; normally run by the timer chain. Takes every change the pasteboard
    // queued since the last one, in order, then its current content.
    void checkForChanges();

    const ClipboardMonitorCadence& cadence() const { return cadence_; }
    qint64 lastChangeCount() const { return lastChangeCount_; }
    const std::optional<QString>& lastCapturedFingerprint() const { return lastCapturedFingerprint_; }

Q_SIGNALS:
    void temporaryPauseChanged(bool paused);

private:
    void stopPolling();
    void startCopyIntentMonitor();
    void rebaseline();
    void scheduleNextPoll(std::optional<double> fixedInterval = std::nullopt);
    void wakeForImmediatePoll(double interval);
    struct CaptureSettings {
        qint64 maxBytes = 0;
        bool textCaptureEnabled = true;
        bool imageCaptureEnabled = true;
        bool ocrEnabled = true;
    };

    void pollChecked();
    // One change the reads now describe: source, ignore list, payload, fingerprint, store.
    void handleChange(qint64 changeCount, const CaptureSettings& settings);
    void capture(const ClipboardMonitoredPayload& payload, const std::optional<QString>& bundleIdentifier,
                 bool ocrEnabled);
    void setTemporarilyPaused(bool paused);

    ClipboardMonitorDependencies deps_;
    ClipboardPayloadReader reader_;
    ClipboardCaptureRecorder recorder_;
    std::unique_ptr<ScheduledTimer> timer_;
    ClipboardMonitorCadence cadence_;
    qint64 lastChangeCount_ = 0;
    std::optional<QString> lastCapturedFingerprint_;
    bool isMonitoring_ = false;
    bool isTemporarilyPaused_ = false;
    bool shouldResumeAfterTemporaryPause_ = false;
};

} // namespace quellpad
