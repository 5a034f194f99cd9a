#include "capture/ClipboardCaptureRecorder.h"

#include "Core/Utilities/Logger.h"
#include "Core/Utilities/TextUtilities.h"
#include "Core/Utilities/Uuid.h"
#include "capture/ClipboardImageTextRecognizing.h"
#include "settings/ClipboardAutoCleanupPolicy.h"
#include "history/ClipboardHistoryAutoCleanupRunner.h"
#include "history/ClipboardHistoryPreview.h"
#include "history/ClipboardHistoryRepositoryProtocol.h"

namespace quellpad {

namespace {
const QString genericTextClassification = QStringLiteral("Text");
const QString ocrLogCategory = QStringLiteral("ClipboardOCR");
// Images asked for per catch-up step; a few more than can be in flight at once.
constexpr int awaitingImagesPerStep = 8;
} // namespace

ClipboardCaptureRecorder::ClipboardCaptureRecorder(ClipboardCaptureRecorderDependencies dependencies, QObject* parent)
    : QObject(parent), deps_(std::move(dependencies)) {}

std::optional<ClipboardCaptureResult> ClipboardCaptureRecorder::record(const ClipboardMonitoredPayload& payload,
                                                                       const std::optional<QString>& bundleIdentifier,
                                                                       bool ocrEnabled) {
    if (const auto* image = std::get_if<ClipboardImagePayload>(&payload.content)) {
        return recordImage(*image, bundleIdentifier, ocrEnabled);
    }
    return recordText(std::get<ClipboardTextPayload>(payload.content), bundleIdentifier);
}

ClipboardCaptureResult ClipboardCaptureRecorder::recordImage(const ClipboardImagePayload& image,
                                                             const std::optional<QString>& bundleIdentifier,
                                                             bool ocrEnabled) {
    if (deps_.autoCleanupRunner) {
        deps_.autoCleanupRunner->runCleanupIfNeeded(ClipboardContentType::image, false);
    }
    ClipboardCaptureResult result{Uuid::makeString(), std::nullopt, std::nullopt};
    const QString preview = ClipboardHistoryPreview::imagePreview(image.pixelSize);
    if (std::optional<ClipboardHistoryWriteError> error = deps_.repository->storeImageReplacingDuplicates(
            {result.id, preview, image.imageData, bundleIdentifier})) {
        result.error = error->description;
        return result;
    }
    if (ocrEnabled && deps_.imageTextRecognizer) {
        result.recognition = startTextRecognition(result.id, image.imageData);
    }
    return result;
}

std::optional<ClipboardCaptureResult> ClipboardCaptureRecorder::recordText(const ClipboardTextPayload& text,
                                                                           const std::optional<QString>& bundleIdentifier) {
    // The preview is built before duplicates are removed: a text that cannot be stored
    // must not take its earlier copies with it.
    const std::optional<QString> preview = ClipboardHistoryPreview::textPreview(text.plainText);
    if (!preview) {
        return std::nullopt;
    }
    if (deps_.autoCleanupRunner) {
        deps_.autoCleanupRunner->runCleanupIfNeeded(ClipboardContentType::text, false);
    }
    // Classification (slow for big texts and user rules) runs before anything is
    // removed, so that earlier copies go only in the transaction that stores this one.
    std::optional<QString> classification = deps_.classify ? deps_.classify(text.plainText) : std::nullopt;
    if (classification == genericTextClassification) {
        classification.reset();
    }
    ClipboardCaptureResult result{Uuid::makeString(), std::nullopt, std::nullopt};
    if (std::optional<ClipboardHistoryWriteError> error = deps_.repository->storeTextReplacingDuplicates(
            {result.id, *preview, ClipboardHistoryPreview::searchText(text.plainText), classification, text.plainText,
             text.rtfData, text.htmlData, bundleIdentifier})) {
        result.error = error->description;
    }
    return result;
}

QFuture<void> ClipboardCaptureRecorder::startTextRecognition(const QString& id, const QByteArray& imageData,
                                                             bool catchingUp) {
    recognitionInFlight_.insert(id);
    QFuture<std::optional<QString>> recognition = deps_.imageTextRecognizer->recognizeTextUnlessSkipped(imageData);
    // The continuation runs on the main thread and is dropped if the recorder is gone.
    return recognition.then(this, [this, id, catchingUp](const std::optional<QString>& recognized) {
        recognitionInFlight_.remove(id);
        if (recognized) {
            deps_.repository->updateOCRText(id, TextUtilities::trimmedWhitespace(*recognized));
        } else {
            // No text is stored, so the image is found again once the recogniser is idle.
            Logger::info(QStringLiteral("Text recognition of image %1 was put off; it resumes when the queue drains")
                             .arg(id),
                         ocrLogCategory);
        }
        if (catchingUp) {
            catchingUp_ = false;
            if (!recognized) {
                caughtUp_.remove(id);
            }
            // Put off again means new images came first: they call us back when done.
            if (recognized) {
                resumeTextRecognition();
            }
        }
    });
}

void ClipboardCaptureRecorder::resumeTextRecognition() {
    if (!deps_.imageTextRecognizer || catchingUp_ || !deps_.imageTextRecognizer->isIdle()) {
        return;
    }
    catchingUp_ = true;
    deps_.repository->imageIdsAwaitingTextRecognition(awaitingImagesPerStep)
        .then(this, [this](const std::vector<QString>& ids) { recognizeNextAwaiting(ids); });
}

void ClipboardCaptureRecorder::recognizeNextAwaiting(const std::vector<QString>& ids) {
    // An image tried once in this run is not tried again (a write that keeps failing
    // must not turn into recognising the same image over and over).
    const auto next = std::find_if(ids.begin(), ids.end(), [&](const QString& id) {
        return !recognitionInFlight_.contains(id) && !caughtUp_.contains(id);
    });
    if (next == ids.end()) {
        catchingUp_ = false;
        return;
    }
    const QString id = *next;
    deps_.repository->getContentSnapshotById(id).then(
        this, [this, id](const std::optional<ClipboardHistoryContentSnapshot>& content) {
            caughtUp_.insert(id);
            if (!content || !content->imageData || content->imageData->isEmpty()) {
                // Nothing to look at (gone meanwhile, or stored without bytes).
                catchingUp_ = false;
                resumeTextRecognition();
                return;
            }
            Logger::info(QStringLiteral("Resuming text recognition of image %1").arg(id), ocrLogCategory);
            startTextRecognition(id, *content->imageData, true);
        });
}

} // namespace quellpad
