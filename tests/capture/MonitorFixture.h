// A clipboard monitor over fakes: scripted pasteboard and workspace, in-memory
// defaults, a manual clock and hand-fired timers.
#pragma once

#include <QBuffer>
#include <QImage>

#include "capture/ClipboardMonitor.h"
#include "capture/RecordingHistoryRepository.h"
#include "history/ClipboardHistoryAutoCleanupRunner.h"
#include "platform/QtImageCodec.h"
#include "platform/fake/FakePasteboard.h"
#include "platform/fake/FakeWorkspace.h"
#include "platform/fake/InMemoryDefaultsStore.h"
#include "platform/fake/ManualClock.h"
#include "platform/fake/ManualTimerScheduler.h"

namespace quellpad::test {

inline QByteArray encodedImage(int width, int height, const char* format = "png", QColor color = Qt::red) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

class MonitorFixture {
public:
    MonitorFixture() { makeMonitor(); }

    void makeMonitor(ClipboardTextClassifier classify = {}, ClipboardIgnoredApplicationCheck isIgnored = {},
                     std::shared_ptr<ClipboardImageTextRecognizing> recognizer = {}) {
        monitor.reset();
        ClipboardMonitorDependencies dependencies{repository, runner,   pasteboard, workspace,  codec,
                                                  defaults,   clock,    timers,     recognizer, std::move(classify),
                                                  std::move(isIgnored), DistributionChannel::direct};
        monitor = std::make_unique<ClipboardMonitor>(std::move(dependencies));
    }

    // Copies text in another application and runs one poll.
    void copyAndPoll(const QString& text) {
        pasteboard.setText(text);
        monitor->checkForChanges();
    }
    void copyAndPoll(const PasteboardRepresentations& content) {
        pasteboard.setContent(content);
        monitor->checkForChanges();
    }

    InMemoryDefaultsStore defaults;
    ManualClock clock;
    ManualTimerScheduler timers{&clock};
    FakePasteboard pasteboard;
    FakeWorkspace workspace;
    QtImageCodec codec;
    std::shared_ptr<RecordingHistoryRepository> repository = std::make_shared<RecordingHistoryRepository>();
    std::shared_ptr<ClipboardHistoryAutoCleanupRunner> runner =
        std::make_shared<ClipboardHistoryAutoCleanupRunner>(repository, defaults, 3600, [this] { return clock.now(); });
    std::unique_ptr<ClipboardMonitor> monitor;
};

} // namespace quellpad::test
