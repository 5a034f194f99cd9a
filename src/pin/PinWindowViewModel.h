// One history item kept on screen in a window of its own: a text that can be edited,
// copied and saved, or an image. Holds the edit state and decides what Copy, Save and
// closing do; the window only shows what it asks for. Main thread only.
#pragma once

#include <functional>
#include <optional>

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include "history/ClipboardHistoryRecords.h"
#include "localization/TextKey.h"

namespace quellpad {

// Copies the pin's content: the edited text, or nothing for the item as it is. Answers
// through `done` (success or not), possibly later.
using PinCopyHandler =
    std::function<void(const std::optional<QString>& editedText, std::function<void(bool succeeded)> done)>;

// An alert with one "OK" button, in the interface language of the moment it is shown.
struct PinAlert {
    TextKey title;
    TextKey message;
    QStringList arguments; // fill the message's placeholders

    bool operator==(const PinAlert&) const = default;
};

// What the save dialog proposes.
struct PinSaveProposal {
    QString fileName;
    bool plainTextOnly = false;

    bool operator==(const PinSaveProposal&) const = default;
};

enum class PinClosePromptAnswer { save, dontSave, cancel };

class PinWindowViewModel final : public QObject {
    Q_OBJECT
public:
    PinWindowViewModel(ClipboardContentType contentType, const ClipboardHistoryContentSnapshot& content,
                       PinCopyHandler copyHandler, QObject* parent = nullptr);

    ClipboardContentType contentType() const { return contentType_; }
    bool isImage() const { return contentType_ == ClipboardContentType::image; }
    const QString& itemId() const { return itemId_; }
    const QString& originalText() const { return originalText_; }
    const QString& currentText() const { return currentText_; }
    const std::optional<QByteArray>& imageData() const { return imageData_; }
    bool hasUnsavedChanges() const { return hasUnsavedChanges_; }

    // Every edit of the text view.
    void setCurrentText(const QString& text);

    // The Copy button (and Ctrl+C in an image window): the edited text when there is
    // an edit, else nothing; a failure raises the "Copy Failed" alert.
    void copy();

    // The Save button and Ctrl+S: asks for a file (savePanelRequested), or raises the
    // alert when an image has no bytes to save.
    void save();
    // The file chosen in the save dialog, or nullopt when it was cancelled.
    void saveDialogFinished(const std::optional<QString>& path);

    // Escape, Ctrl+W, the window's close button: closes at once without edits,
    // otherwise asks first (closePromptRequested).
    void requestClose();
    void answerClosePrompt(PinClosePromptAnswer answer);

    // "PinnedText.txt", or "PinnedImage." and the image format's usual extension.
    PinSaveProposal saveProposal() const;

Q_SIGNALS:
    void hasUnsavedChangesChanged(bool hasUnsavedChanges);
    void alertRequested(const PinAlert& alert);
    void savePanelRequested(const PinSaveProposal& proposal);
    void closePromptRequested();
    void closeRequested();
    // A copy or save finished (tests wait for it): its name and whether it worked.
    void actionFinished(const QString& action, bool succeeded);

private:
    ClipboardContentType contentType_;
    QString itemId_;
    QString originalText_;
    QString currentText_;
    std::optional<QByteArray> imageData_;
    PinCopyHandler copyHandler_;
    bool hasUnsavedChanges_ = false;
    // The save under way was asked for by the close prompt: success closes the window.
    bool closeAfterSave_ = false;
};

} // namespace quellpad
