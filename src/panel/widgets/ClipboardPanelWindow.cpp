#include "panel/widgets/ClipboardPanelWindow.h"

#include <QCloseEvent>
#include <QCursor>
#include <QDrag>
#include <QMimeData>
#include <QUrl>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QSplitter>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "Core/Utilities/Logger.h"
#include "localization/Localizer.h"
#include "panel/ClipboardDetailViewModel.h"
#include "panel/ClipboardPanelController.h"
#include "panel/ClipboardPanelViewModel.h"
#include "panel/ClipboardResultListModel.h"
#include "panel/widgets/ClipboardDetailPane.h"
#include "panel/widgets/ClipboardResultListView.h"
#include "panel/widgets/ClipboardResultRowDelegate.h"
#include "panel/widgets/ClipboardSearchField.h"
#include "platform/DefaultsStore.h"
#include "settings/AppPreferences.h"
#include "settings/PreferenceKeys.h"

namespace quellpad {

namespace {

const QString logCategory = QStringLiteral("ClipboardPanelWindow");
const QSize preferredSize(880, 560);
using RowKind = ClipboardResultListModel::RowKind;

QFrame* separator(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setForegroundRole(QPalette::Mid);
    return line;
}

} // namespace

ClipboardPanelWindow::ClipboardPanelWindow(ClipboardPanelController& controller, DefaultsStore& defaults,
                                           const Localizer& localizer, QWidget* parent)
    : QWidget(parent, Qt::Tool), controller_(controller), viewModel_(controller.viewModel()), defaults_(defaults),
      localizer_(localizer) {
    setObjectName(QStringLiteral("ClipboardPanelWindow"));
    listModel_ = new ClipboardResultListModel(viewModel_, controller_, localizer_, this);
    detailModel_ = new ClipboardDetailViewModel(viewModel_, defaults_, this);

    search_ = new ClipboardSearchField(defaults_, this);
    search_->setObjectName(QStringLiteral("ClipboardSearchField"));
    QFont searchFont = search_->font();
    searchFont.setPointSizeF(searchFont.pointSizeF() * 1.25);
    search_->setFont(searchFont);
    search_->setMinimumHeight(QFontMetrics(searchFont).height() + 16);
    search_->panelKeyHandler = [this](ClipboardPanelKeyCommand command) { return handlePanelKey(command); };
    search_->edited = [this](const QString& text, qsizetype cursor) { controller_.searchFieldEdited(text, cursor); };

    list_ = new ClipboardResultListView(this);
    list_->setObjectName(QStringLiteral("ClipboardResultList"));
    delegate_ = new ClipboardResultRowDelegate(localizer_, list_);
    list_->setItemDelegate(delegate_);
    list_->setModel(listModel_);

    listStatus_ = new QLabel(this);
    listStatus_->setAlignment(Qt::AlignCenter);
    listStatus_->setForegroundRole(QPalette::PlaceholderText);
    listStatus_->setWordWrap(true);
    listStack_ = new QStackedWidget(this);
    listStack_->addWidget(list_);
    listStack_->addWidget(listStatus_);

    detail_ = new ClipboardDetailPane(*detailModel_, localizer_, this);
    detail_->setObjectName(QStringLiteral("ClipboardDetailPane"));

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(listStack_);
    splitter->addWidget(detail_);
    splitter->setStretchFactor(0, 5);
    splitter->setStretchFactor(1, 6);
    splitter->setChildrenCollapsible(false);
    splitter->setHandleWidth(1);

    footer_ = new QLabel(this);
    footer_->setObjectName(QStringLiteral("ClipboardPanelFooter"));
    footer_->setForegroundRole(QPalette::PlaceholderText);
    footer_->setTextFormat(Qt::PlainText);
    footer_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred); // long messages elide, not widen
    footerHint_ = new QLabel(this);
    footerHint_->setForegroundRole(QPalette::PlaceholderText);
    footerHint_->setTextFormat(Qt::PlainText);
    auto* footerRow = new QHBoxLayout;
    footerRow->setContentsMargins(12, 4, 12, 6);
    footerRow->addWidget(footer_, 1);
    footerRow->addWidget(footerHint_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* searchRow = new QHBoxLayout;
    searchRow->setContentsMargins(12, 10, 12, 10);
    searchRow->addWidget(search_);
    layout->addLayout(searchRow);
    layout->addWidget(separator(this));
    layout->addWidget(splitter, 1);
    layout->addWidget(separator(this));
    layout->addLayout(footerRow);

    connect(list_, &ClipboardResultListView::rowHovered, this, [this](int row) {
        if (listModel_->rowKind(row) == RowKind::item) {
            viewModel_.select(row);
        } else if (listModel_->rowKind(row) == RowKind::suggestion) {
            controller_.selectSuggestion(row);
        }
    });
    connect(list_, &ClipboardResultListView::rowClicked, this, [this](int row) {
        switch (listModel_->rowKind(row)) {
        case RowKind::item: controller_.activateRow(row); break;
        case RowKind::showMore: viewModel_.loadMore(); break;
        case RowKind::suggestion: controller_.applySuggestion(row); break;
        }
        search_->setFocus();
    });
    connect(list_, &ClipboardResultListView::rowPressed, this, [this](int row) {
        if (listModel_->rowKind(row) == RowKind::item) {
            controller_.prepareDrag(listModel_->data(listModel_->index(row), ClipboardResultListModel::IdRole).toString());
        }
    });
    connect(list_, &ClipboardResultListView::rowDragStarted, this, &ClipboardPanelWindow::dragRow);
    connect(list_, &ClipboardResultListView::rowContextMenuRequested, this, &ClipboardPanelWindow::showActionsMenu);
    // Queued: rows are inserted while the view model applies a page, and asking for the
    // next page from inside that would re-enter it.
    connect(list_, &ClipboardResultListView::visibleRangeChanged, this, &ClipboardPanelWindow::loadMoreWhenNearEnd,
            Qt::QueuedConnection);

    connect(listModel_, &QAbstractItemModel::modelReset, this, [this] {
        list_->suppressHover();
        syncListSelection();
        updateListState();
    });
    connect(listModel_, &QAbstractItemModel::rowsInserted, this, &ClipboardPanelWindow::syncListSelection);
    connect(listModel_, &QAbstractItemModel::rowsRemoved, this, &ClipboardPanelWindow::syncListSelection);
    connect(listModel_, &QAbstractItemModel::dataChanged, this, &ClipboardPanelWindow::syncListSelection);
    connect(&viewModel_, &ClipboardPanelViewModel::isLoadingChanged, this, &ClipboardPanelWindow::updateListState);
    connect(&viewModel_, &ClipboardPanelViewModel::clipboardItemsChanged, this, &ClipboardPanelWindow::updateListState);
    connect(&controller_, &ClipboardPanelController::filterSuggestionsChanged, this,
            &ClipboardPanelWindow::updateListState);
    connect(&controller_, &ClipboardPanelController::footerChanged, this, &ClipboardPanelWindow::updateFooter);
    connect(&defaults_, &DefaultsStore::changed, this, [this](const QString& key) {
        if (key == PreferenceKeys::appLanguage) {
            retranslate();
        } else {
            updateFooter(); // recording settings
        }
    });

    const QRect available = screen() ? screen()->availableGeometry() : QRect(QPoint(), preferredSize);
    resize(preferredSize.boundedTo(available.size() * 9 / 10));
    retranslate();
    updateListState();
}

ClipboardPanelWindow::~ClipboardPanelWindow() = default;

void ClipboardPanelWindow::retranslate() {
    setWindowTitle(localizer_.text(TextKey::panelWindowTitle));
    setAccessibleName(localizer_.text(TextKey::panelWindowTitle));
    search_->setPlaceholderText(localizer_.text(TextKey::panelSearchPlaceholder));
    search_->setAccessibleName(localizer_.text(TextKey::accessibleSearchField));
    list_->setAccessibleName(localizer_.text(TextKey::accessibleResultList));
    footer_->setAccessibleName(localizer_.text(TextKey::accessibleFooter));
    detail_->retranslate();
    listModel_->refreshTexts();
    updateFooter();
    updateListState();
    if (actionsMenu_) actionsMenu_->close(); // its texts are of the old language
}

void ClipboardPanelWindow::updateFooter() {
    const ClipboardFooterStatusPresentation status = controller_.footerStatus();
    footer_->setText(status.message);
    footer_->setToolTip(status.toolTip.value_or(status.message));
    footer_->setAccessibleDescription(status.message);
    switch (status.trailingAccessory) {
    case ClipboardFooterStatusPresentation::TrailingAccessory::tip:
        footerHint_->setText(localizer_.text(TextKey::footerActionsHint));
        break;
    case ClipboardFooterStatusPresentation::TrailingAccessory::action:
        footerHint_->setText(status.action ? status.action->title : QString());
        break;
    case ClipboardFooterStatusPresentation::TrailingAccessory::none:
        footerHint_->clear();
        break;
    }
    footerHint_->setVisible(!footerHint_->text().isEmpty());
}

void ClipboardPanelWindow::updateListState() {
    if (listModel_->rowCount() > 0) {
        listStack_->setCurrentWidget(list_);
        return;
    }
    listStatus_->setText(listModel_->emptyStateText());
    listStatus_->setAccessibleName(listStatus_->text());
    listStack_->setCurrentWidget(listStatus_);
}

void ClipboardPanelWindow::syncListSelection() {
    list_->mirrorSelection(listModel_->selectedRow());
}

void ClipboardPanelWindow::loadMoreWhenNearEnd() {
    if (controller_.contentMode() != ClipboardResultListContentMode::history || !viewModel_.canLoadMore() ||
        viewModel_.isLoading() || !list_->isVisible()) {
        return;
    }
    const int lastItem = static_cast<int>(viewModel_.clipboardItems().size()) - 1;
    if (lastItem >= 0 && list_->rowsBelowVisibleBottom(lastItem) <= static_cast<int>(autoLoadMoreThresholdRows)) {
        viewModel_.loadMore();
    }
}

bool ClipboardPanelWindow::handlePanelKey(ClipboardPanelKeyCommand command) {
    using C = ClipboardPanelKeyCommand;
    if (command == C::selectNext || command == C::selectPrevious || command == C::pageDown || command == C::pageUp) {
        list_->suppressHover();
    }
    return controller_.handleKey(command);
}

void ClipboardPanelWindow::keyPressEvent(QKeyEvent* event) {
    // Keys that reach the window (the field did not have the focus) go the same way.
    if (const auto command = clipboardPanelKeyCommand(event->key(), event->modifiers())) {
        if (handlePanelKey(*command)) {
            event->accept();
            return;
        }
    }
    QWidget::keyPressEvent(event);
}

void ClipboardPanelWindow::closeEvent(QCloseEvent* event) {
    // The window manager's close button dismisses like Escape; the window is reused.
    event->ignore();
    controller_.dismiss();
}

void ClipboardPanelWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (isVisible() && !positioning_) {
        movedByUser_ = true;
    }
}

void ClipboardPanelWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        list_->viewport()->update();
    }
}

QPoint ClipboardPanelWindow::openingPosition() const {
    const QSize frame = frameGeometry().size().expandedTo(size());
    if (const std::optional<QPointF> stored = AppPreferences(defaults_).clipboardPanelPosition()) {
        const QPoint topLeft = stored->toPoint();
        // Kept only while its title bar is on a screen that exists now.
        if (QScreen* screen = QGuiApplication::screenAt(topLeft + QPoint(40, 10))) {
            const QRect available = screen->availableGeometry();
            const QPoint clamped(std::clamp(topLeft.x(), available.left(), std::max(available.left(), available.right() - frame.width() + 1)),
                                 std::clamp(topLeft.y(), available.top(), std::max(available.top(), available.bottom() - frame.height() + 1)));
            return clamped;
        }
    }
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen) screen = QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(QPoint(), preferredSize);
    return available.center() - QPoint(frame.width() / 2, frame.height() / 2);
}

void ClipboardPanelWindow::showWindow() {
    positioning_ = true;
    move(openingPosition());
    show();
    raise();
    activateWindow();
    positioning_ = false;
    movedByUser_ = false;
    search_->setFocus(Qt::ActiveWindowFocusReason);
    list_->suppressHover();
    syncListSelection();
}

void ClipboardPanelWindow::hideWindow() {
    if (actionsMenu_) actionsMenu_->close();
    rememberPosition();
    hide();
}

void ClipboardPanelWindow::rememberPosition() {
    if (!isVisible() || !movedByUser_) {
        return;
    }
    movedByUser_ = false;
    AppPreferences(defaults_).setClipboardPanelPosition(QPointF(frameGeometry().topLeft()));
    Logger::debug(QStringLiteral("Remembered panel position %1,%2").arg(frameGeometry().x()).arg(frameGeometry().y()),
                  logCategory);
}

void ClipboardPanelWindow::clearSearchField() {
    search_->setTextSilently(QString(), 0);
}

void ClipboardPanelWindow::setSearchFieldText(const QString& text, qsizetype cursor) {
    search_->setTextSilently(text, cursor);
}

std::optional<QString> ClipboardPanelWindow::detailFormattedText(const QString& itemId) const {
    return detailModel_->formattedText(itemId);
}

bool ClipboardPanelWindow::isDetailFormattingEnabled() const {
    return detailModel_->isFormattingEnabled();
}

void ClipboardPanelWindow::setDetailFormattingEnabled(bool enabled) {
    detailModel_->setFormattingEnabled(enabled);
}

QString ClipboardPanelWindow::searchFieldSelectedText() const {
    return search_->selectedText();
}

void ClipboardPanelWindow::openActionsMenuForSelectedRow() {
    const int row = listModel_->selectedRow();
    if (row < 0 || listModel_->rowKind(row) != RowKind::item) {
        return;
    }
    const QModelIndex index = listModel_->index(row);
    list_->scrollTo(index);
    showActionsMenu(row, list_->viewport()->mapToGlobal(list_->visualRect(index).center()));
}

void ClipboardPanelWindow::showActionsMenu(int row, const QPoint& globalPosition) {
    if (listModel_->rowKind(row) != RowKind::item) {
        return;
    }
    const auto& items = viewModel_.clipboardItems();
    if (row >= static_cast<int>(items.size())) {
        return;
    }
    const ClipboardHistoryIndexSnapshot item = items[static_cast<std::size_t>(row)];
    viewModel_.select(row); // the detail pane shows what the menu acts on
    if (actionsMenu_) actionsMenu_->close();

    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->setAccessibleName(item.preview.simplified().left(80));
    const QString id = item.id;
    auto add = [&](TextKey key, auto action) {
        QAction* entry = menu->addAction(localizer_.text(key));
        connect(entry, &QAction::triggered, this, action);
        return entry;
    };
    add(TextKey::actionCopy, [this, id] { controller_.copy(id); });
    add(TextKey::actionCopyPlainText, [this, id] { controller_.copy(id, true); });
    if (ClipboardPanelController::openableLink(item)) {
        add(TextKey::actionOpenLink, [this, id] { controller_.openLink(id); });
    }
    add(TextKey::actionOpenWithDefaultApp, [this, id] { controller_.openWithDefaultApp(id); });
    add(TextKey::actionSave, [this, id] { controller_.save(id); });
    if (controller_.canPin()) {
        add(TextKey::actionPin, [this, id] { controller_.pin(id); });
    }
    if (item.contentType == ClipboardContentType::image && controller_.canRecognizeText()) {
        add(TextKey::actionRecognizeText, [this, id] { controller_.recognizeText(id); });
    }
    menu->addSeparator();
    if (ClipboardDetailViewModel::mayFormat(item)) {
        add(detailModel_->isFormattingEnabled() ? TextKey::actionShowOriginal : TextKey::actionFormat,
            [this] { controller_.toggleFormatting(); });
    }
    add(TextKey::actionDelete, [this, id] { controller_.deleteItem(id); });
    connect(menu, &QMenu::aboutToHide, this, [this] { search_->setFocus(Qt::PopupFocusReason); });
    actionsMenu_ = menu;
    menu->popup(globalPosition);
}

void ClipboardPanelWindow::dragRow(int row) {
    if (listModel_->rowKind(row) != RowKind::item) return;
    const QString id = listModel_->data(listModel_->index(row), ClipboardResultListModel::IdRole).toString();
    const std::optional<ClipboardDragPayload> payload = controller_.dragPayload(id);
    if (!payload) return; // its content has not arrived yet (a drag faster than the disk)
    auto* data = new QMimeData;
    if (payload->text) data->setText(*payload->text);
    if (payload->html) data->setData(QStringLiteral("text/html"), *payload->html);
    if (payload->rtf) data->setData(QStringLiteral("text/rtf"), *payload->rtf);
    if (payload->imageData) data->setData(payload->imageMimeType, *payload->imageData);
    if (payload->filePath) data->setUrls({QUrl::fromLocalFile(*payload->filePath)});
    auto* drag = new QDrag(list_);
    drag->setMimeData(data);
    drag->exec(Qt::CopyAction);
}

} // namespace quellpad
