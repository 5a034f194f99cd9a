// Stores one accepted clipboard payload as a history item, the same way for the
// clipboard monitor and for `quellpad add`: retention cleanup for the type, removal
// of earlier copies with their usage merged, preview, classification and search text,
// insert, and (for images) text recognition that fills the item in later. An image
// the recogniser skipped keeps no recognised text, and resumeTextRecognition() picks
// such images up again one at a time while the recogniser has nothing else to do.
// Main thread only.
#pragma once

#include <functional>
#include <memory>
#include <optional>

#include <QFuture>
#include <QObject>
#include <QSet>
#include <QString>

#include "capture/ClipboardMonitoredPayload.h"

namespace quellpad {

class ClipboardHistoryAutoCleanupRunner;
class ClipboardHistoryRepositoryProtocol;
class ClipboardImageTextRecognizing;

// Classification of a captured text: the identifier, or nullopt. "Text" (the generic
// class) is stored as no classification.
using ClipboardTextClassifier = std::function<std::optional<QString>(const QString& text)>;

struct ClipboardCaptureRecorderDependencies {
    std::shared_ptr<ClipboardHistoryRepositoryProtocol> repository;
    // Optional: no retention cleanup when absent.
    std::shared_ptr<ClipboardHistoryAutoCleanupRunner> autoCleanupRunner;
    // Optional: no recognition when absent.
    std::shared_ptr<ClipboardImageTextRecognizing> imageTextRecognizer;
    // Optional: texts are stored unclassified when absent.
    ClipboardTextClassifier classify;
};

struct ClipboardCaptureResult {
    QString id;
    // Finishes once recognised text was stored (images with recognition only).
    std::optional<QFuture<void>> recognition;
    // Set when nothing was stored (the earlier copies are then kept); English.
    std::optional<QString> error;
};

class ClipboardCaptureRecorder : public QObject {
    Q_OBJECT
public:
    explicit ClipboardCaptureRecorder(ClipboardCaptureRecorderDependencies dependencies, QObject* parent = nullptr);

    // nullopt when the payload is a text without a non-empty line (never stored, and
    // its earlier copies are kept).
    std::optional<ClipboardCaptureResult> record(const ClipboardMonitoredPayload& payload,
                                                 const std::optional<QString>& bundleIdentifier, bool ocrEnabled);
    std::optional<ClipboardCaptureResult> recordText(const ClipboardTextPayload& text,
                                                     const std::optional<QString>& bundleIdentifier);
    ClipboardCaptureResult recordImage(const ClipboardImagePayload& image, const std::optional<QString>& bundleIdentifier,
                                       bool ocrEnabled);

    // Recognises the next stored image whose text was never recognised, when the
    // recogniser is idle; goes on image by image until none is left or new images
    // arrive. Does nothing without a recogniser.
    void resumeTextRecognition();

private:
    QFuture<void> startTextRecognition(const QString& id, const QByteArray& imageData, bool catchingUp = false);
    void recognizeNextAwaiting(const std::vector<QString>& ids);

    ClipboardCaptureRecorderDependencies deps_;
    // Images handed to the recogniser whose result is not stored yet.
    QSet<QString> recognitionInFlight_;
    bool catchingUp_ = false;
    // Images the catch-up has taken in this run, whatever came of it.
    QSet<QString> caughtUp_;
};

} // namespace quellpad
