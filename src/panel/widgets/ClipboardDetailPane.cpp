#include "panel/widgets/ClipboardDetailPane.h"

#include <QEvent>
#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "localization/Localizer.h"
#include "panel/ClipboardDetailViewModel.h"
#include "panel/ClipboardResultListModel.h"
#include "panel/widgets/ClipboardDetailSyntaxHighlighter.h"

namespace quellpad {

namespace {

QPlainTextEdit* readOnlyText(QWidget* parent) {
    auto* view = new QPlainTextEdit(parent);
    view->setReadOnly(true);
    // Keys stay in the search field; the mouse still selects text.
    view->setFocusPolicy(Qt::NoFocus);
    view->setTextInteractionFlags(Qt::TextSelectableByMouse);
    view->setFrameShape(QFrame::NoFrame);
    return view;
}

QLabel* smallLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

} // namespace

ClipboardDetailPane::ClipboardDetailPane(ClipboardDetailViewModel& model, const Localizer& localizer, QWidget* parent)
    : QWidget(parent), model_(model), localizer_(localizer) {
    stack_ = new QStackedWidget(this);

    placeholder_ = new QLabel(stack_);
    placeholder_->setAlignment(Qt::AlignCenter);
    placeholder_->setForegroundRole(QPalette::PlaceholderText);
    placeholder_->setWordWrap(true);
    stack_->addWidget(placeholder_);

    text_ = readOnlyText(stack_);
    text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    text_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    highlighter_ = new ClipboardDetailSyntaxHighlighter(text_->document());
    stack_->addWidget(text_);

    imagePage_ = new QWidget(stack_);
    auto* imageLayout = new QVBoxLayout(imagePage_);
    imageLayout->setContentsMargins(0, 0, 0, 0);
    image_ = new QLabel(imagePage_);
    image_->setAlignment(Qt::AlignCenter);
    image_->setMinimumSize(1, 1);
    image_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    ocrTitle_ = new QLabel(imagePage_);
    QFont bold = ocrTitle_->font();
    bold.setBold(true);
    ocrTitle_->setFont(bold);
    ocr_ = readOnlyText(imagePage_);
    ocr_->setMaximumHeight(120);
    imageLayout->addWidget(image_, 1);
    imageLayout->addWidget(ocrTitle_);
    imageLayout->addWidget(ocr_);
    stack_->addWidget(imagePage_);

    notices_ = smallLabel(this);
    details_ = smallLabel(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 8, 10, 8);
    layout->setSpacing(6);
    layout->addWidget(stack_, 1);
    layout->addWidget(notices_);
    layout->addWidget(details_);

    connect(&model_, &ClipboardDetailViewModel::presentationChanged, this, &ClipboardDetailPane::render);
    retranslate();
    render();
}

void ClipboardDetailPane::retranslate() {
    setAccessibleName(localizer_.text(TextKey::accessibleDetailPane));
    text_->setAccessibleName(localizer_.text(TextKey::accessibleDetailPane));
    ocrTitle_->setText(localizer_.text(TextKey::detailRecognizedText));
    ocr_->setAccessibleName(localizer_.text(TextKey::detailRecognizedText));
    renderTexts();
}

void ClipboardDetailPane::render() {
    using Kind = ClipboardDetailPresentation::Kind;
    const ClipboardDetailPresentation& p = model_.presentation();
    switch (p.kind) {
    case Kind::empty:
    case Kind::unavailable:
        stack_->setCurrentWidget(placeholder_);
        text_->clear();
        shownItemId_.clear();
        break;
    case Kind::text:
        // Re-setting the same text would lose the reader's scroll position.
        if (shownItemId_ != p.itemId || shownFormatted_ != p.isFormatted || text_->toPlainText().size() != p.text.size()) {
            highlighter_->setRuns({}, p.theme, palette());
            text_->setPlainText(p.text);
            highlighter_->setRuns(p.runs, p.theme, text_->palette());
        }
        stack_->setCurrentWidget(text_);
        break;
    case Kind::image:
        renderImage();
        stack_->setCurrentWidget(imagePage_);
        break;
    }
    shownItemId_ = p.kind == Kind::empty || p.kind == Kind::unavailable ? QString() : p.itemId;
    shownFormatted_ = p.isFormatted;
    renderTexts();
}

void ClipboardDetailPane::renderImage() {
    const ClipboardDetailPresentation& p = model_.presentation();
    if (p.image.isNull()) {
        image_->clear();
    } else {
        // The image was decoded for device pixels; saying so keeps it sharp on HiDPI.
        QPixmap pixmap = QPixmap::fromImage(p.image);
        pixmap.setDevicePixelRatio(devicePixelRatioF());
        image_->setPixmap(pixmap);
    }
    image_->setAccessibleName(p.imagePixelSize.isValid()
                                  ? localizer_.text(TextKey::detailImageSize, {QString::number(p.imagePixelSize.width()),
                                                                               QString::number(p.imagePixelSize.height())})
                                  : localizer_.text(TextKey::mainContentTypeImage));
    const bool hasOcr = p.ocrText && !p.ocrText->trimmed().isEmpty();
    ocrTitle_->setVisible(hasOcr);
    ocr_->setVisible(hasOcr);
    ocr_->setPlainText(hasOcr ? *p.ocrText : QString());
}

void ClipboardDetailPane::renderTexts() {
    const ClipboardDetailPresentation& p = model_.presentation();
    const bool gone = p.kind == ClipboardDetailPresentation::Kind::unavailable;
    placeholder_->setText(localizer_.text(gone ? TextKey::detailContentUnavailable : TextKey::panelSelectItem));
    QStringList notices;
    for (const auto& notice : p.notices) {
        if (gone) break; // the placeholder says it
        notices << ClipboardDetailViewModel::noticeText(notice, localizer_);
    }
    notices_->setText(notices.join(QLatin1Char('\n')));
    notices_->setVisible(!notices.isEmpty());

    QStringList details;
    if (p.kind == ClipboardDetailPresentation::Kind::text || p.kind == ClipboardDetailPresentation::Kind::image) {
        if (p.isFormatted) details << localizer_.text(TextKey::detailFormattedBadge);
        if (p.sourceApplication) {
            details << localizer_.text(TextKey::detailCopiedFrom,
                                       {ClipboardResultListModel::shortApplicationName(*p.sourceApplication)});
        }
        if (p.useCount > 0) details << localizer_.text(TextKey::detailUseCount, {QString::number(p.useCount)});
        if (p.imagePixelSize.isValid()) {
            details << localizer_.text(TextKey::detailImageSize, {QString::number(p.imagePixelSize.width()),
                                                                  QString::number(p.imagePixelSize.height())});
        }
    }
    details_->setText(details.join(QStringLiteral(" · ")));
    details_->setVisible(!details.isEmpty());
}

void ClipboardDetailPane::reportImageTarget() {
    const QSize logical = size().shrunkBy(QMargins(20, 16, 20, 140)).expandedTo(QSize(64, 64));
    model_.setImageTargetSize(logical * devicePixelRatioF());
}

void ClipboardDetailPane::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    reportImageTarget();
}

void ClipboardDetailPane::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange) {
        const ClipboardDetailPresentation& p = model_.presentation();
        if (p.kind == ClipboardDetailPresentation::Kind::text) {
            highlighter_->setRuns(p.runs, p.theme, text_->palette());
        }
    } else if (event->type() == QEvent::ScreenChangeInternal) {
        reportImageTarget();
        if (model_.presentation().kind == ClipboardDetailPresentation::Kind::image) renderImage();
    }
}

} // namespace quellpad
