#include "pin/widgets/RecognizedTextWindow.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "localization/Localizer.h"
#include "platform/DefaultsStore.h"
#include "settings/PreferenceKeys.h"

namespace quellpad {

namespace {
constexpr QSize thumbnailSize(360, 140);
}

RecognizedTextWindow::RecognizedTextWindow(RecognizedTextViewModel* model, DefaultsStore& defaults,
                                           const Localizer& localizer, QWidget* parent)
    : QWidget(parent, Qt::Window), model_(model), defaults_(defaults), localizer_(localizer) {
    model_->setParent(this);
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    image_ = new QLabel(this);
    image_->setAlignment(Qt::AlignCenter);
    QPixmap pixmap;
    if (pixmap.loadFromData(model_->imageData())) {
        const qreal ratio = devicePixelRatioF();
        pixmap = pixmap.scaled((thumbnailSize * ratio).boundedTo(pixmap.size()), Qt::KeepAspectRatio,
                               Qt::SmoothTransformation);
        pixmap.setDevicePixelRatio(ratio);
        image_->setPixmap(pixmap);
    }
    status_ = new QLabel(this);
    status_->setWordWrap(true);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    text_ = new QPlainTextEdit(this);
    text_->setReadOnly(true);
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    again_ = new QPushButton(this);
    copy_ = new QPushButton(this);
    again_->setAutoDefault(false);
    copy_->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(again_);
    buttons->addStretch(1);
    buttons->addWidget(copy_);
    layout->addWidget(image_);
    layout->addWidget(status_);
    layout->addWidget(text_, 1);
    layout->addLayout(buttons);

    connect(again_, &QPushButton::clicked, model_, &RecognizedTextViewModel::recognizeAgain);
    connect(copy_, &QPushButton::clicked, model_, &RecognizedTextViewModel::copy);
    connect(model_, &RecognizedTextViewModel::changed, this, &RecognizedTextWindow::update);
    connect(model_, &RecognizedTextViewModel::copyFailed, this, &RecognizedTextWindow::showCopyFailed);
    connect(&defaults_, &DefaultsStore::changed, this, [this](const QString& key) {
        if (key == PreferenceKeys::appLanguage) retranslate();
    });
    resize(460, 420);
    retranslate();
}

RecognizedTextWindow* RecognizedTextWindow::open(const QByteArray& imageData, const QString& itemId,
                                                 RecognizedTextServices services, DefaultsStore& defaults,
                                                 const Localizer& localizer) {
    auto* window = new RecognizedTextWindow(new RecognizedTextViewModel(imageData, itemId, std::move(services)),
                                            defaults, localizer);
    window->show();
    window->raise();
    window->activateWindow();
    window->text_->setFocus();
    window->model_->start();
    return window;
}

void RecognizedTextWindow::retranslate() {
    setWindowTitle(localizer_.text(TextKey::ocrWindowTitle));
    setAccessibleName(windowTitle());
    image_->setAccessibleName(localizer_.text(TextKey::ocrWindowAccessibleImage));
    status_->setAccessibleName(localizer_.text(TextKey::ocrWindowAccessibleStatus));
    text_->setAccessibleName(localizer_.text(TextKey::ocrWindowAccessibleText));
    again_->setText(localizer_.text(TextKey::ocrWindowRecognizeAgain));
    again_->setAccessibleName(again_->text());
    copy_->setText(localizer_.text(TextKey::pinCopy));
    copy_->setAccessibleName(copy_->text());
    if (box_) {
        box_->setWindowTitle(localizer_.text(TextKey::pinCopyFailedTitle));
        box_->setText(localizer_.text(TextKey::ocrWindowCopyFailed));
        box_->button(QMessageBox::Ok)->setText(localizer_.text(TextKey::pinOK));
    }
    update();
}

void RecognizedTextWindow::update() {
    if (text_->toPlainText() != model_->text()) text_->setPlainText(model_->text());
    QString status;
    switch (model_->state()) {
    case RecognizedTextViewModel::State::loading:
    case RecognizedTextViewModel::State::recognizing: status = localizer_.text(TextKey::ocrWindowRecognizing); break;
    case RecognizedTextViewModel::State::shown:
        if (model_->text().trimmed().isEmpty()) status = localizer_.text(TextKey::ocrWindowNoText);
        break;
    case RecognizedTextViewModel::State::failed: {
        const auto error = model_->error();
        if (error) status = localizer_.text(error->first, error->second);
        break;
    }
    }
    status_->setText(status);
    status_->setVisible(!status.isEmpty());
    const bool failed = model_->state() == RecognizedTextViewModel::State::failed;
    status_->setStyleSheet(failed ? QStringLiteral("color: #c0392b;") : QString());
    again_->setEnabled(!model_->isBusy());
    copy_->setEnabled(!model_->isBusy() && !model_->text().isEmpty());
}

void RecognizedTextWindow::showCopyFailed() {
    if (box_) box_->close();
    box_ = new QMessageBox(QMessageBox::Warning, localizer_.text(TextKey::pinCopyFailedTitle),
                           localizer_.text(TextKey::ocrWindowCopyFailed), QMessageBox::Ok, this);
    box_->setAttribute(Qt::WA_DeleteOnClose);
    box_->setWindowModality(Qt::WindowModal);
    box_->button(QMessageBox::Ok)->setText(localizer_.text(TextKey::pinOK));
    box_->setAccessibleName(localizer_.text(TextKey::pinCopyFailedTitle));
    box_->open();
}

void RecognizedTextWindow::keyPressEvent(QKeyEvent* event) {
    const bool ctrlW = event->key() == Qt::Key_W && event->modifiers() == Qt::ControlModifier;
    if ((event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) || ctrlW) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace quellpad
