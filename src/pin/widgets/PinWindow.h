// A floating window that keeps one history item on screen: an editable plain-text view
// or the image, with Copy and Save. It binds a PinWindowViewModel, which decides what
// the buttons, the keys and closing do; the dialogs it asks for are shown here as
// window-modal sheets. Follows the interface language while open.
#pragma once

#include <functional>

#include <QFileDialog>
#include <QMessageBox>
#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include "pin/PinWindowViewModel.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace quellpad {

class DefaultsStore;
class Localizer;

class PinWindow final : public QWidget {
    Q_OBJECT
public:
    // Takes the model; the window deletes itself once closed.
    PinWindow(PinWindowViewModel* model, DefaultsStore& defaults, const Localizer& localizer,
              QWidget* parent = nullptr);

    // Builds a window for the item, shows it in front with the focus, and returns it.
    static PinWindow* open(ClipboardContentType contentType, const ClipboardHistoryContentSnapshot& content,
                           PinCopyHandler copyHandler, DefaultsStore& defaults, const Localizer& localizer);

    PinWindowViewModel& model() const { return *model_; }
    // The parts, for tests: the text view (null for an image), the image label (null for text).
    QPlainTextEdit* textView() const { return text_; }
    QLabel* imageView() const { return image_; }
    QPushButton* copyButton() const { return copy_; }
    QPushButton* saveButton() const { return save_; }
    // The alert, prompt or save dialog on screen, if any.
    QMessageBox* messageBox() const { return box_; }
    QFileDialog* saveDialog() const { return dialog_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void retranslate();
    // True when the key was one of the window's own.
    bool handleKey(QKeyEvent* event);
    void showAlert(const PinAlert& alert);
    void showClosePrompt();
    void showSaveDialog(const PinSaveProposal& proposal);
    void translateSaveDialog();
    void updateImage();

    PinWindowViewModel* model_;
    DefaultsStore& defaults_;
    const Localizer& localizer_;
    QPlainTextEdit* text_ = nullptr;
    QLabel* image_ = nullptr;
    QPixmap pixmap_; // the decoded image; null when the bytes are not one
    QPushButton* copy_ = nullptr;
    QPushButton* save_ = nullptr;
    QPointer<QMessageBox> box_;
    std::function<void()> translateBox_;
    QPointer<QFileDialog> dialog_;
    // Set once the model decided the window closes: the close event then goes through.
    bool closing_ = false;
};

} // namespace quellpad
