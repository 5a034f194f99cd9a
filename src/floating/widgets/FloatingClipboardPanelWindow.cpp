#include "floating/widgets/FloatingClipboardPanelWindow.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "Core/Utilities/Logger.h"
#include "floating/FloatingClipboardPanelController.h"
#include "floating/widgets/FloatingClipboardPreviewBubble.h"
#include "floating/widgets/FloatingCompactRowDelegate.h"
#include "localization/Localizer.h"
#include "panel/ClipboardDetailViewModel.h"
#include "panel/ClipboardPanelController.h"
#include "panel/ClipboardPanelViewModel.h"
#include "panel/ClipboardResultListModel.h"
#include "panel/widgets/ClipboardResultListView.h"
#include "panel/widgets/ClipboardResultRowDelegate.h"
#include "panel/widgets/ClipboardSearchField.h"
#include "platform/DefaultsStore.h"
#include "settings/PreferenceKeys.h"

namespace quellpad {

namespace {
using RowKind = ClipboardResultListModel::RowKind;
constexpr double cornerRadius = 12;
} // namespace

FloatingClipboardPanelWindow::FloatingClipboardPanelWindow(FloatingClipboardPanelController& floating,
                                                           ClipboardPanelController& actions, DefaultsStore& defaults,
                                                           const Localizer& localizer, bool translucent)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), floating_(floating),
      actions_(actions), viewModel_(actions.viewModel()), localizer_(localizer), translucent_(translucent) {
    setObjectName(QStringLiteral("FloatingClipboardPanelWindow"));
    setAttribute(Qt::WA_TranslucentBackground, translucent_);
    listModel_ = new ClipboardResultListModel(viewModel_, actions_, localizer_, this);
    detailModel_ = new ClipboardDetailViewModel(viewModel_, defaults, this);

    search_ = new ClipboardSearchField(defaults, this);
    search_->setObjectName(QStringLiteral("FloatingClipboardSearchField"));
    search_->panelKeyHandler = [this](ClipboardPanelKeyCommand command) { return handlePanelKey(command); };
    search_->edited = [this](const QString& text, qsizetype cursor) { actions_.searchFieldEdited(text, cursor); };
    search_->installEventFilter(this);

    list_ = new ClipboardResultListView(this);
    list_->setObjectName(QStringLiteral("FloatingClipboardResultList"));
    standardDelegate_ = new ClipboardResultRowDelegate(localizer_, list_);
    compactDelegate_ = new FloatingCompactRowDelegate(*standardDelegate_, list_);
    list_->setItemDelegate(standardDelegate_);
    list_->setModel(listModel_);
    list_->setFrameShape(QFrame::NoFrame);
    if (translucent_) list_->viewport()->setAutoFillBackground(false);

    listStatus_ = new QLabel(this);
    listStatus_->setAlignment(Qt::AlignCenter);
    listStatus_->setForegroundRole(QPalette::PlaceholderText);
    listStatus_->setWordWrap(true);
    listStack_ = new QStackedWidget(this);
    listStack_->addWidget(list_);
    listStack_->addWidget(listStatus_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(8);
    layout->addWidget(search_);
    layout->addWidget(listStack_, 1);

    bubble_ = std::make_unique<FloatingClipboardPreviewBubble>(*detailModel_, localizer_, translucent_);

    connect(list_, &ClipboardResultListView::rowHovered, this, [this](int row) {
        if (listModel_->rowKind(row) == RowKind::item) {
            viewModel_.select(row);
        } else if (listModel_->rowKind(row) == RowKind::suggestion) {
            actions_.selectSuggestion(row);
        }
    });
    connect(list_, &ClipboardResultListView::rowClicked, this, [this](int row) {
        switch (listModel_->rowKind(row)) {
        case RowKind::item: actions_.activateRow(row); break;
        case RowKind::showMore: viewModel_.loadMore(); break;
        case RowKind::suggestion: actions_.applySuggestion(row); break;
        }
        if (isVisible()) search_->setFocus();
    });
    connect(listModel_, &QAbstractItemModel::modelReset, this, [this] {
        list_->suppressHover();
        syncListSelection();
        updateListState();
    });
    connect(listModel_, &QAbstractItemModel::rowsInserted, this, &FloatingClipboardPanelWindow::syncListSelection);
    connect(listModel_, &QAbstractItemModel::rowsRemoved, this, &FloatingClipboardPanelWindow::syncListSelection);
    connect(listModel_, &QAbstractItemModel::dataChanged, this, &FloatingClipboardPanelWindow::syncListSelection);
    connect(&viewModel_, &ClipboardPanelViewModel::isLoadingChanged, this, &FloatingClipboardPanelWindow::updateListState);
    connect(&viewModel_, &ClipboardPanelViewModel::clipboardItemsChanged, this,
            &FloatingClipboardPanelWindow::updateListState);
    connect(&defaults, &DefaultsStore::changed, this, [this](const QString& key) {
        if (key == PreferenceKeys::appLanguage) retranslate();
    });

    resize(FloatingClipboardPositionCalculator::panelSize.toSize());
    retranslate();
    updateListState();
    floating_.setWindow(this);
}

FloatingClipboardPanelWindow::~FloatingClipboardPanelWindow() {
    floating_.setWindow(nullptr);
}

void FloatingClipboardPanelWindow::retranslate() {
    setWindowTitle(localizer_.text(TextKey::floatingPanelWindowTitle));
    setAccessibleName(localizer_.text(TextKey::floatingPanelWindowTitle));
    search_->setPlaceholderText(localizer_.text(TextKey::panelSearchPlaceholder));
    search_->setAccessibleName(localizer_.text(TextKey::accessibleSearchField));
    list_->setAccessibleName(localizer_.text(TextKey::accessibleResultList));
    listModel_->refreshTexts();
    bubble_->retranslate();
    updateListState();
}

void FloatingClipboardPanelWindow::updateListState() {
    if (listModel_->rowCount() > 0) {
        listStack_->setCurrentWidget(list_);
        return;
    }
    listStatus_->setText(listModel_->emptyStateText());
    listStatus_->setAccessibleName(listStatus_->text());
    listStack_->setCurrentWidget(listStatus_);
}

void FloatingClipboardPanelWindow::syncListSelection() {
    list_->mirrorSelection(listModel_->selectedRow());
}

void FloatingClipboardPanelWindow::setRowStyle(ClipboardResultListRowStyle style) {
    if (style_ == style) return;
    style_ = style;
    list_->setItemDelegate(style == ClipboardResultListRowStyle::compact
                               ? static_cast<QAbstractItemDelegate*>(compactDelegate_)
                               : standardDelegate_);
    list_->doItemsLayout(); // row heights changed
}

void FloatingClipboardPanelWindow::showPanelAt(const QRectF& frame) {
    setGeometry(frame.toRect());
    show();
    raise();
    activateWindow();
    search_->setFocus(Qt::ActiveWindowFocusReason);
    list_->suppressHover();
    syncListSelection();
}

void FloatingClipboardPanelWindow::hidePanel() {
    bubble_->hide();
    hide();
}

std::optional<QRectF> FloatingClipboardPanelWindow::selectedRowFrame() const {
    const int row = listModel_->selectedRow();
    if (row < 0 || listStack_->currentWidget() != list_) return std::nullopt;
    QRect rect = list_->visualRect(listModel_->index(row));
    if (!rect.isValid() || !list_->viewport()->rect().intersects(rect)) return std::nullopt;
    rect.moveTopLeft(list_->viewport()->mapToGlobal(rect.topLeft()));
    return QRectF(rect);
}

void FloatingClipboardPanelWindow::showPreview(const QRectF& frame, FloatingClipboardPreviewArrowSide side,
                                               double arrowCenterY) {
    bubble_->present(frame.toRect(), side, arrowCenterY);
}

void FloatingClipboardPanelWindow::hidePreview() {
    bubble_->hide();
}

bool FloatingClipboardPanelWindow::isPreviewVisible() const {
    return bubble_->isVisible();
}

void FloatingClipboardPanelWindow::clearSearchField() {
    search_->setTextSilently(QString(), 0);
}

void FloatingClipboardPanelWindow::setSearchFieldText(const QString& text, qsizetype cursor) {
    search_->setTextSilently(text, cursor);
}

QString FloatingClipboardPanelWindow::searchFieldSelectedText() const {
    return search_->selectedText();
}

std::optional<QString> FloatingClipboardPanelWindow::previewFormattedText(const QString& itemId) const {
    return detailModel_->formattedText(itemId);
}

bool FloatingClipboardPanelWindow::isPreviewFormattingEnabled() const {
    return detailModel_->isFormattingEnabled();
}

void FloatingClipboardPanelWindow::setPreviewFormattingEnabled(bool enabled) {
    detailModel_->setFormattingEnabled(enabled);
}

bool FloatingClipboardPanelWindow::handlePanelKey(ClipboardPanelKeyCommand command) {
    using C = ClipboardPanelKeyCommand;
    if (command == C::selectNext || command == C::selectPrevious || command == C::pageDown || command == C::pageUp) {
        list_->suppressHover();
    }
    return floating_.handleKey(command);
}

bool FloatingClipboardPanelWindow::eventFilter(QObject* watched, QEvent* event) {
    // Ctrl+Y shows or hides the preview bubble, as Quick Look's Command-Y does.
    if (watched == search_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Y && key->modifiers() == Qt::ControlModifier) {
            floating_.togglePreview();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FloatingClipboardPanelWindow::keyPressEvent(QKeyEvent* event) {
    if (const auto command = clipboardPanelKeyCommand(event->key(), event->modifiers())) {
        if (handlePanelKey(*command)) {
            event->accept();
            return;
        }
    }
    QWidget::keyPressEvent(event);
}

void FloatingClipboardPanelWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isVisible() && !isActiveWindow()) {
        // Decided once the activation has settled: a menu of ours or the bubble keeps it open.
        QTimer::singleShot(0, this, [this] {
            QWidget* active = QApplication::activeWindow();
            if (isVisible() && !isActiveWindow() && QApplication::activePopupWidget() == nullptr &&
                active != bubble_.get()) {
                floating_.focusLeft();
            }
        });
    }
}

void FloatingClipboardPanelWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor fill = palette().color(QPalette::Window);
    if (!translucent_) {
        painter.fillRect(rect(), fill);
        painter.setPen(QPen(palette().color(QPalette::Mid), 1));
        painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
        return;
    }
    fill.setAlphaF(0.94f);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius, cornerRadius);
    painter.fillPath(path, fill);
    painter.setPen(QPen(palette().color(QPalette::Mid), 1));
    painter.drawPath(path);
}

} // namespace quellpad
