#include "pin/RecognizedTextViewModel.h"

#include "Core/Utilities/Logger.h"
#include "Core/Utilities/MainThread.h"

namespace quellpad {

namespace {
const QString category = QStringLiteral("OCRWindow");
}

RecognizedTextViewModel::RecognizedTextViewModel(QByteArray imageData, QString itemId, RecognizedTextServices services,
                                                 QObject* parent)
    : QObject(parent), imageData_(std::move(imageData)), itemId_(std::move(itemId)), services_(std::move(services)) {}

void RecognizedTextViewModel::start() {
    if (!services_.fetchContent) {
        runRecognition();
        return;
    }
    const quint64 request = ++generation_;
    state_ = State::loading;
    Q_EMIT changed();
    MainThread::whenFinished(
        services_.fetchContent(itemId_), this,
        [this, request](QFuture<std::optional<ClipboardHistoryContentSnapshot>> done) {
            if (request != generation_) return;
            std::optional<ClipboardHistoryContentSnapshot> content;
            try {
                content = done.result();
            } catch (const std::exception& error) {
                Logger::warning(QStringLiteral("Reading the stored text of item %1 failed: %2")
                                    .arg(itemId_, QString::fromUtf8(error.what())),
                                category);
            }
            // A deleted item or one never recognised: the image is still here to look at.
            if (content && content->ocrText && !content->ocrText->trimmed().isEmpty()) {
                showText(*content->ocrText);
            } else {
                runRecognition();
            }
        });
}

void RecognizedTextViewModel::recognizeAgain() {
    if (isBusy()) return;
    runRecognition();
}

void RecognizedTextViewModel::runRecognition() {
    const quint64 request = ++generation_;
    if (!services_.recognize) {
        fail(TextKey::ocrWindowUnavailable);
        return;
    }
    state_ = State::recognizing;
    error_.reset();
    Q_EMIT changed();
    MainThread::whenFinished(services_.recognize(imageData_), this,
                             [this, request](QFuture<ClipboardImageTextRecognition> done) {
                                 if (request != generation_) return;
                                 ClipboardImageTextRecognition result;
                                 try {
                                     result = done.result();
                                 } catch (const std::exception& error) {
                                     result.status = ClipboardImageTextRecognition::Status::failed;
                                     result.errorDescription = QString::fromUtf8(error.what());
                                 }
                                 switch (result.status) {
                                 case ClipboardImageTextRecognition::Status::recognized:
                                     Logger::info(QStringLiteral("Recognized %1 characters in item %2")
                                                      .arg(result.text.size())
                                                      .arg(itemId_),
                                                  category);
                                     showText(result.text);
                                     return;
                                 case ClipboardImageTextRecognition::Status::notAnImage:
                                     fail(TextKey::ocrWindowNotAnImage);
                                     return;
                                 case ClipboardImageTextRecognition::Status::failed:
                                     fail(TextKey::ocrWindowFailed, {result.errorDescription});
                                     return;
                                 case ClipboardImageTextRecognition::Status::skipped:
                                     fail(TextKey::ocrWindowInterrupted);
                                     return;
                                 }
                             });
}

void RecognizedTextViewModel::showText(const QString& text) {
    state_ = State::shown;
    text_ = text;
    error_.reset();
    Q_EMIT changed();
}

void RecognizedTextViewModel::fail(TextKey key, const QStringList& arguments) {
    // The text shown before stays: a failed retry loses nothing.
    state_ = State::failed;
    error_ = std::make_pair(key, arguments);
    Logger::warning(QStringLiteral("Text recognition failed for item %1%2")
                        .arg(itemId_, arguments.isEmpty() ? QString() : QStringLiteral(": ") + arguments.join(' ')),
                    category);
    Q_EMIT changed();
}

bool RecognizedTextViewModel::copy() {
    const bool copied = !text_.isEmpty() && services_.copyText && services_.copyText(text_);
    if (!copied) {
        Logger::error(QStringLiteral("Failed to copy the recognised text of item: ") + itemId_, category);
        Q_EMIT copyFailed();
    }
    return copied;
}

} // namespace quellpad
