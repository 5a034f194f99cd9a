#include "capture/ClipboardCaptureRecorder.h"

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
}

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

QFuture<void> ClipboardCaptureRecorder::startTextRecognition(const QString& id, const QByteArray& imageData) {
    QFuture<QString> recognition = deps_.imageTextRecognizer->recognizeText(imageData);
    // The continuation runs on the main thread and is dropped if the recorder is gone.
    std::shared_ptr<ClipboardHistoryRepositoryProtocol> repository = deps_.repository;
    return recognition.then(this, [repository, id](const QString& recognized) {
        repository->updateOCRText(id, TextUtilities::trimmedWhitespace(recognized));
    });
}

} // namespace quellpad
