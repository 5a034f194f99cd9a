// The text recognised in an image: the image small at the top, the text selectable
// below, "Recognize Again" and "Copy". Binds a RecognizedTextViewModel; follows the
// interface language while open.
#pragma once

#include <QMessageBox>
#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include "pin/RecognizedTextViewModel.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace quellpad {

class DefaultsStore;
class Localizer;

class RecognizedTextWindow final : public QWidget {
    Q_OBJECT
public:
    // Takes the model; the window deletes itself once closed.
    RecognizedTextWindow(RecognizedTextViewModel* model, DefaultsStore& defaults, const Localizer& localizer,
                         QWidget* parent = nullptr);

    // Builds the window for an image, shows it in front and starts the model.
    static RecognizedTextWindow* open(const QByteArray& imageData, const QString& itemId,
                                      RecognizedTextServices services, DefaultsStore& defaults,
                                      const Localizer& localizer);

    RecognizedTextViewModel& model() const { return *model_; }
    QPlainTextEdit* textView() const { return text_; }
    QLabel* statusLabel() const { return status_; }
    QPushButton* recognizeAgainButton() const { return again_; }
    QPushButton* copyButton() const { return copy_; }
    QMessageBox* messageBox() const { return box_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void retranslate();
    void update();
    void showCopyFailed();

    RecognizedTextViewModel* model_;
    DefaultsStore& defaults_;
    const Localizer& localizer_;
    QLabel* image_ = nullptr;
    QLabel* status_ = nullptr;
    QPlainTextEdit* text_ = nullptr;
    QPushButton* again_ = nullptr;
    QPushButton* copy_ = nullptr;
    QPointer<QMessageBox> box_;
};

} // namespace quellpad
