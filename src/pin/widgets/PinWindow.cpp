#include "pin/widgets/PinWindow.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "localization/Localizer.h"
#include "pin/PinWindowKeyMap.h"
#include "platform/DefaultsStore.h"
#include "settings/PreferenceKeys.h"

namespace quellpad {

PinWindow::PinWindow(PinWindowViewModel* model, DefaultsStore& defaults, const Localizer& localizer, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), model_(model), defaults_(defaults), localizer_(localizer) {
    model_->setParent(this);
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    if (model_->isImage()) {
        image_ = new QLabel(this);
        image_->setAlignment(Qt::AlignCenter);
        image_->setMinimumSize(120, 80);
        image_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
        image_->setFocusPolicy(Qt::StrongFocus); // keys reach the window through it
        image_->installEventFilter(this);
        if (model_->imageData()) pixmap_.loadFromData(*model_->imageData());
        layout->addWidget(image_, 1);
    } else {
        text_ = new QPlainTextEdit(this);
        text_->setPlainText(model_->originalText());
        // The first text is not an edit: undo must not go back to an empty view.
        text_->document()->clearUndoRedoStacks();
        text_->setFrameShape(QFrame::NoFrame);
        text_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        text_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        text_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        text_->installEventFilter(this);
        connect(text_, &QPlainTextEdit::textChanged, this, [this] { model_->setCurrentText(text_->toPlainText()); });
        layout->addWidget(text_, 1);
    }
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    copy_ = new QPushButton(this);
    save_ = new QPushButton(this);
    copy_->setAutoDefault(false);
    save_->setAutoDefault(false);
    buttons->addWidget(copy_);
    buttons->addWidget(save_);
    layout->addLayout(buttons);
    installEventFilter(this);

    connect(copy_, &QPushButton::clicked, model_, &PinWindowViewModel::copy);
    connect(save_, &QPushButton::clicked, model_, &PinWindowViewModel::save);
    connect(model_, &PinWindowViewModel::alertRequested, this, &PinWindow::showAlert);
    connect(model_, &PinWindowViewModel::closePromptRequested, this, &PinWindow::showClosePrompt);
    connect(model_, &PinWindowViewModel::savePanelRequested, this, &PinWindow::showSaveDialog);
    connect(model_, &PinWindowViewModel::closeRequested, this, [this] {
        closing_ = true;
        close();
    });
    connect(&defaults_, &DefaultsStore::changed, this, [this](const QString& key) {
        if (key == PreferenceKeys::appLanguage) retranslate();
    });

    if (model_->isImage() && !pixmap_.isNull()) {
        resize(pixmap_.size().boundedTo(QSize(640, 480)).expandedTo(QSize(240, 160)) + QSize(16, 56));
    } else {
        resize(420, 300);
    }
    retranslate();
    updateImage();
}

PinWindow* PinWindow::open(ClipboardContentType contentType, const ClipboardHistoryContentSnapshot& content,
                           PinCopyHandler copyHandler, DefaultsStore& defaults, const Localizer& localizer) {
    auto* window = new PinWindow(new PinWindowViewModel(contentType, content, std::move(copyHandler)), defaults,
                                 localizer);
    window->show();
    window->raise();
    window->activateWindow();
    if (window->text_) {
        window->text_->setFocus();
    } else {
        window->image_->setFocus();
    }
    return window;
}

void PinWindow::retranslate() {
    const QString title = localizer_.text(TextKey::pinWindowTitle);
    setWindowTitle(title);
    setAccessibleName(title);
    copy_->setText(localizer_.text(TextKey::pinCopy));
    copy_->setAccessibleName(copy_->text());
    save_->setText(localizer_.text(TextKey::pinSave));
    save_->setAccessibleName(save_->text());
    if (text_) text_->setAccessibleName(localizer_.text(TextKey::pinAccessibleText));
    if (image_) {
        image_->setAccessibleName(localizer_.text(TextKey::pinAccessibleImage));
        if (pixmap_.isNull()) image_->setText(localizer_.text(TextKey::pinNoImageData));
    }
    if (box_ && translateBox_) translateBox_();
    if (dialog_) translateSaveDialog();
}

void PinWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    updateImage();
}

void PinWindow::updateImage() {
    if (!image_ || pixmap_.isNull()) return;
    const qreal ratio = devicePixelRatioF();
    // Never enlarged: a small image stays sharp in the middle of the window.
    const QSize room = (image_->size() * ratio).boundedTo(pixmap_.size());
    QPixmap scaled = pixmap_.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    scaled.setDevicePixelRatio(ratio);
    image_->setPixmap(scaled);
}

bool PinWindow::eventFilter(QObject* watched, QEvent* event) {
    // A shortcut override claims the key before Qt's own shortcuts of the text view run.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (pinWindowKeyCommand(key->key(), key->modifiers(), model_->isImage())) {
            event->accept();
            return true;
        }
    } else if (event->type() == QEvent::KeyPress) {
        if (handleKey(static_cast<QKeyEvent*>(event))) return true;
    }
    return QWidget::eventFilter(watched, event);
}

bool PinWindow::handleKey(QKeyEvent* event) {
    const std::optional<PinWindowKeyCommand> command =
        pinWindowKeyCommand(event->key(), event->modifiers(), model_->isImage());
    if (!command) return false;
    switch (*command) {
    case PinWindowKeyCommand::close: model_->requestClose(); break;
    case PinWindowKeyCommand::save: model_->save(); break;
    case PinWindowKeyCommand::copy:
        if (text_) {
            text_->copy(); // the selection only
        } else {
            model_->copy();
        }
        break;
    case PinWindowKeyCommand::selectAll: text_->selectAll(); break;
    case PinWindowKeyCommand::paste: text_->paste(); break;
    case PinWindowKeyCommand::cut: text_->cut(); break;
    case PinWindowKeyCommand::undo: text_->undo(); break;
    case PinWindowKeyCommand::redo: text_->redo(); break;
    case PinWindowKeyCommand::ignore: break;
    }
    return true;
}

void PinWindow::closeEvent(QCloseEvent* event) {
    if (closing_) {
        event->accept();
        return;
    }
    // The title bar's close button asks the model like Escape does.
    event->ignore();
    model_->requestClose();
}

void PinWindow::showAlert(const PinAlert& alert) {
    if (box_) box_->close();
    box_ = new QMessageBox(QMessageBox::Warning, QString(), QString(), QMessageBox::Ok, this);
    box_->setAttribute(Qt::WA_DeleteOnClose);
    box_->setWindowModality(Qt::WindowModal);
    translateBox_ = [this, alert] {
        box_->setWindowTitle(localizer_.text(alert.title));
        box_->setText(localizer_.text(alert.title));
        box_->setInformativeText(localizer_.text(alert.message, alert.arguments));
        box_->setAccessibleName(localizer_.text(alert.title));
        QAbstractButton* ok = box_->button(QMessageBox::Ok);
        ok->setText(localizer_.text(TextKey::pinOK));
        ok->setAccessibleName(ok->text());
    };
    translateBox_();
    box_->open();
}

void PinWindow::showClosePrompt() {
    if (box_) box_->close();
    box_ = new QMessageBox(QMessageBox::Question, QString(), QString(),
                           QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
    box_->setAttribute(Qt::WA_DeleteOnClose);
    box_->setWindowModality(Qt::WindowModal);
    box_->setDefaultButton(QMessageBox::Save);
    box_->setEscapeButton(QMessageBox::Cancel);
    translateBox_ = [this] {
        box_->setWindowTitle(localizer_.text(TextKey::pinClosePromptTitle));
        box_->setText(localizer_.text(TextKey::pinClosePromptTitle));
        box_->setInformativeText(localizer_.text(TextKey::pinClosePromptMessage));
        box_->setAccessibleName(localizer_.text(TextKey::pinClosePromptTitle));
        const std::pair<QMessageBox::StandardButton, TextKey> labels[] = {
            {QMessageBox::Save, TextKey::pinSave},
            {QMessageBox::Discard, TextKey::pinDontSave},
            {QMessageBox::Cancel, TextKey::cancel},
        };
        for (const auto& [which, key] : labels) {
            QAbstractButton* button = box_->button(which);
            button->setText(localizer_.text(key));
            button->setAccessibleName(button->text());
        }
    };
    translateBox_();
    // Answered once, by the button; closing the box any other way is Cancel.
    connect(box_, &QMessageBox::finished, this, [this, box = box_.data()](int) {
        const QMessageBox::StandardButton clicked = box->standardButton(box->clickedButton());
        const PinClosePromptAnswer answer = clicked == QMessageBox::Save      ? PinClosePromptAnswer::save
                                            : clicked == QMessageBox::Discard ? PinClosePromptAnswer::dontSave
                                                                              : PinClosePromptAnswer::cancel;
        // After the box is gone, so a save dialog or the closing window does not meet it.
        QMetaObject::invokeMethod(this, [this, answer] { model_->answerClosePrompt(answer); }, Qt::QueuedConnection);
    });
    box_->open();
}

void PinWindow::showSaveDialog(const PinSaveProposal& proposal) {
    if (dialog_) {
        // One save at a time: an open dialog is the answer to a second request.
        dialog_->raise();
        dialog_->activateWindow();
        return;
    }
    dialog_ = new QFileDialog(this);
    dialog_->setAttribute(Qt::WA_DeleteOnClose);
    // Qt's own dialog, the same on every desktop, and reachable by tests through its widgets.
    dialog_->setOption(QFileDialog::DontUseNativeDialog);
    dialog_->setWindowModality(Qt::WindowModal);
    dialog_->setAcceptMode(QFileDialog::AcceptSave);
    dialog_->setFileMode(QFileDialog::AnyFile);
    dialog_->setDirectory(QDir::home());
    dialog_->setProperty("plainTextOnly", proposal.plainTextOnly);
    translateSaveDialog();
    if (proposal.plainTextOnly) dialog_->setDefaultSuffix(QStringLiteral("txt"));
    dialog_->selectFile(proposal.fileName);
    auto answered = std::make_shared<bool>(false);
    connect(dialog_, &QFileDialog::fileSelected, this, [this, answered](const QString& path) {
        if (std::exchange(*answered, true)) return;
        // Queued: a save that closes the window must not delete the dialog inside its own signal.
        QMetaObject::invokeMethod(this, [this, path] { model_->saveDialogFinished(path); }, Qt::QueuedConnection);
    });
    connect(dialog_, &QFileDialog::finished, this, [this, answered](int) {
        if (std::exchange(*answered, true)) return;
        QMetaObject::invokeMethod(this, [this] { model_->saveDialogFinished(std::nullopt); }, Qt::QueuedConnection);
    });
    dialog_->open();
}

void PinWindow::translateSaveDialog() {
    dialog_->setWindowTitle(localizer_.text(TextKey::pinSavePanelTitle));
    dialog_->setAccessibleName(localizer_.text(TextKey::pinSavePanelTitle));
    dialog_->setLabelText(QFileDialog::FileName, localizer_.text(TextKey::pinSaveAsLabel));
    dialog_->setLabelText(QFileDialog::Accept, localizer_.text(TextKey::pinSave));
    dialog_->setLabelText(QFileDialog::Reject, localizer_.text(TextKey::cancel));
    if (dialog_->property("plainTextOnly").toBool()) {
        dialog_->setNameFilter(localizer_.text(TextKey::pinPlainTextFilter) + QStringLiteral(" (*.txt)"));
    }
}

} // namespace quellpad
