// Recognises the text in captured images, one image at a time on its own worker.
//
// The configuration is the fixed one, else the one stored in the settings at the
// moment each image's turn comes. Images wait in a short queue: when images arrive
// faster than they can be recognised (a storm of copies), the oldest waiting one is
// skipped with a warning, so memory stays bounded and the newest copies are the ones
// that become searchable; the caller learns which images were skipped, and is told
// when the queue runs empty, so that it can bring them back later. Outcomes are
// logged under "ClipboardOCR".
#pragma once

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>

#include <QFuture>
#include <QPromise>
#include <QSize>

#include "Core/Utilities/SerialQueue.h"
#include "capture/ClipboardImageTextRecognizing.h"
#include "settings/ClipboardOCRConfiguration.h"
#include "platform/TextRecognitionEngine.h"

namespace quellpad {

class DefaultsStore;

struct ClipboardImageTextRecognition {
    enum class Status {
        recognized,
        // The bytes do not decode as an image.
        notAnImage,
        // The engine could not run or reported an error; see errorDescription.
        failed,
        // Skipped because newer images queued up, or the recogniser was shut down.
        skipped,
    };
    Status status = Status::skipped;
    // The recognised lines joined by "\n"; empty unless recognized.
    QString text;
    std::vector<QString> lines;
    QStringList languagesUsed;
    // The size of the decoded image (before any scaling); invalid when not decoded.
    QSize imageSize;
    QString errorDescription;
};

class ClipboardImageTextRecognizer final : public ClipboardImageTextRecognizing {
public:
    static constexpr int defaultMaxWaitingImages = 2;

    // `defaults` must outlive the recogniser (unless a fixed configuration is given).
    ClipboardImageTextRecognizer(std::unique_ptr<TextRecognitionEngine> engine, DefaultsStore& defaults,
                                 std::optional<ClipboardOCRConfiguration> fixedConfiguration = std::nullopt,
                                 TextRecognitionLevel recognitionLevel = TextRecognitionLevel::accurate,
                                 int maxWaitingImages = defaultMaxWaitingImages);
    // Skips waiting images, stops the running one early and waits for the worker.
    ~ClipboardImageTextRecognizer() override;

    ClipboardImageTextRecognizer(const ClipboardImageTextRecognizer&) = delete;
    ClipboardImageTextRecognizer& operator=(const ClipboardImageTextRecognizer&) = delete;

    QFuture<QString> recognizeText(const QByteArray& imageData) override;
    QFuture<std::optional<QString>> recognizeTextUnlessSkipped(const QByteArray& imageData) override;
    bool isIdle() const override;
    void setIdleHandler(std::function<void()> handler) override;
    // The same with the details (for the command line and benchmarks).
    QFuture<ClipboardImageTextRecognition> recognize(const QByteArray& imageData);

    // The request a configuration makes: automatic detection with no language list,
    // or exactly the specified language.
    static TextRecognitionRequest request(const ClipboardOCRConfiguration& configuration, TextRecognitionLevel level);

private:
    struct Job {
        QByteArray imageData;
        std::shared_ptr<QPromise<ClipboardImageTextRecognition>> promise;
    };

    void runNextJob();
    ClipboardImageTextRecognition perform(const QByteArray& imageData);
    static void finish(Job& job, ClipboardImageTextRecognition result);
    // One queued image is done (recognised or skipped); calls the idle handler at zero.
    void jobDone();

    std::unique_ptr<TextRecognitionEngine> engine_;
    DefaultsStore& defaults_;
    std::optional<ClipboardOCRConfiguration> fixedConfiguration_;
    TextRecognitionLevel recognitionLevel_;
    int maxWaitingImages_;
    mutable std::mutex mutex_;
    std::deque<Job> waiting_;
    // Images accepted and not yet done: waiting ones plus the one being recognised.
    int outstanding_ = 0;
    std::function<void()> idleHandler_;
    bool stopping_ = false;
    std::atomic<bool> cancelled_{false};
    // Declared last: destroyed (joined) first, while everything it uses still exists.
    SerialQueue worker_{QStringLiteral("Quellpad.ClipboardImageTextRecognizer")};
};

} // namespace quellpad
