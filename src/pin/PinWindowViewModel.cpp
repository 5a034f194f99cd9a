#include "pin/PinWindowViewModel.h"

#include <QPointer>

#include "Core/Utilities/AtomicFileWriter.h"
#include "Core/Utilities/Logger.h"
#include "capture/ClipboardImageFormat.h"

namespace quellpad {

namespace {
const QString category = QStringLiteral("PinWindow");

} // namespace

PinWindowViewModel::PinWindowViewModel(ClipboardContentType contentType, const ClipboardHistoryContentSnapshot& content,
                                       PinCopyHandler copyHandler, QObject* parent)
    : QObject(parent),
      contentType_(contentType),
      itemId_(content.id),
      imageData_(contentType == ClipboardContentType::image ? content.imageData : std::nullopt),
      copyHandler_(std::move(copyHandler)) {
    if (!isImage()) {
        originalText_ = content.content;
        currentText_ = content.content;
    }
}

void PinWindowViewModel::setCurrentText(const QString& text) {
    if (isImage()) return;
    currentText_ = text;
    const bool changed = currentText_ != originalText_;
    if (changed == hasUnsavedChanges_) return;
    hasUnsavedChanges_ = changed;
    Q_EMIT hasUnsavedChangesChanged(changed);
}

void PinWindowViewModel::copy() {
    const std::optional<QString> edited =
        !isImage() && hasUnsavedChanges_ ? std::optional<QString>(currentText_) : std::nullopt;
    const auto finished = [self = QPointer<PinWindowViewModel>(this)](bool succeeded) {
        if (!self) return;
        if (!succeeded) {
            Logger::error(QStringLiteral("Failed to copy floating window content for item: ") + self->itemId_,
                          category);
            Q_EMIT self->alertRequested({TextKey::pinCopyFailedTitle, TextKey::pinCopyFailedMessage, {}});
        }
        Q_EMIT self->actionFinished(QStringLiteral("copy"), succeeded);
    };
    if (!copyHandler_) {
        finished(false);
        return;
    }
    copyHandler_(edited, finished);
}

PinSaveProposal PinWindowViewModel::saveProposal() const {
    if (!isImage()) return {QStringLiteral("PinnedText.txt"), true};
    return {QStringLiteral("PinnedImage.") + imageFileExtension(imageData_.value_or(QByteArray())), false};
}

void PinWindowViewModel::save() {
    if (isImage() && !imageData_) {
        closeAfterSave_ = false;
        Logger::error(QStringLiteral("No image data available"), category);
        Q_EMIT alertRequested({TextKey::pinSaveFailedTitle, TextKey::pinSaveNoImageData, {}});
        Q_EMIT actionFinished(QStringLiteral("save"), false);
        return;
    }
    Q_EMIT savePanelRequested(saveProposal());
}

void PinWindowViewModel::saveDialogFinished(const std::optional<QString>& path) {
    const bool closing = std::exchange(closeAfterSave_, false);
    if (!path) {
        Q_EMIT actionFinished(QStringLiteral("save"), false);
        return;
    }
    const QByteArray data = isImage() ? imageData_.value_or(QByteArray()) : currentText_.toUtf8();
    if (const std::optional<QString> error = AtomicFileWriter::write(*path, data)) {
        Logger::error(QStringLiteral("Failed to save file: ") + *error, category);
        Q_EMIT alertRequested({TextKey::pinSaveFailedTitle, TextKey::pinSaveWriteFailed, {*error}});
        Q_EMIT actionFinished(QStringLiteral("save"), false);
        return;
    }
    Logger::info((isImage() ? QStringLiteral("Saved image to: ") : QStringLiteral("Saved text to: ")) + *path,
                 category);
    Q_EMIT actionFinished(QStringLiteral("save"), true);
    if (closing) Q_EMIT closeRequested();
}

void PinWindowViewModel::requestClose() {
    if (!hasUnsavedChanges_) {
        Q_EMIT closeRequested();
        return;
    }
    Q_EMIT closePromptRequested();
}

void PinWindowViewModel::answerClosePrompt(PinClosePromptAnswer answer) {
    switch (answer) {
    case PinClosePromptAnswer::save:
        closeAfterSave_ = true;
        save();
        return;
    case PinClosePromptAnswer::dontSave:
        Q_EMIT closeRequested();
        return;
    case PinClosePromptAnswer::cancel:
        return;
    }
}

} // namespace quellpad
