// The panel's detail pane: draws the detail view model's presentation (text, coloured
// when formatted; an image scaled to the pane and sharp on HiDPI screens, with its
// recognised text; "Select a clipboard item" when nothing is selected) and tells the
// model how many device pixels an image may fill.
#pragma once

#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QStackedWidget;

namespace quellpad {

class ClipboardDetailSyntaxHighlighter;
class ClipboardDetailViewModel;
class Localizer;

class ClipboardDetailPane final : public QWidget {
    Q_OBJECT
public:
    ClipboardDetailPane(ClipboardDetailViewModel& model, const Localizer& localizer, QWidget* parent = nullptr);

    void retranslate();

    // The parts, for tests and the accessibility tree.
    QPlainTextEdit* textView() const { return text_; }
    QLabel* imageView() const { return image_; }
    QPlainTextEdit* recognizedTextView() const { return ocr_; }
    QLabel* placeholder() const { return placeholder_; }
    QLabel* noticeLabel() const { return notices_; }
    QLabel* detailsLabel() const { return details_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void render();
    void renderImage();
    void renderTexts();
    void reportImageTarget();

    ClipboardDetailViewModel& model_;
    const Localizer& localizer_;
    QStackedWidget* stack_ = nullptr;
    QLabel* placeholder_ = nullptr;
    QPlainTextEdit* text_ = nullptr;
    ClipboardDetailSyntaxHighlighter* highlighter_ = nullptr;
    QWidget* imagePage_ = nullptr;
    QLabel* image_ = nullptr;
    QLabel* ocrTitle_ = nullptr;
    QPlainTextEdit* ocr_ = nullptr;
    QLabel* notices_ = nullptr;
    QLabel* details_ = nullptr;
    QString shownItemId_;
    bool shownFormatted_ = false;
};

} // namespace quellpad
