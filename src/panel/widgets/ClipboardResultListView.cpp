#include "panel/widgets/ClipboardResultListView.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QItemSelectionModel>
#include <QMouseEvent>
#include <QScrollBar>

namespace quellpad {

ClipboardResultListView::ClipboardResultListView(QWidget* parent) : QListView(parent) {
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::NoFrame);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &ClipboardResultListView::visibleRangeChanged);
}

void ClipboardResultListView::suppressHover() {
    gate_.suppress(QCursor::pos());
}

void ClipboardResultListView::mirrorSelection(int row) {
    QItemSelectionModel* selection = selectionModel();
    if (row < 0) {
        selection->clear();
        return;
    }
    const QModelIndex index = model()->index(row, 0);
    if (selection->currentIndex() != index || !selection->isSelected(index)) {
        selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        scrollTo(index, QAbstractItemView::EnsureVisible);
    }
}

int ClipboardResultListView::rowsBelowVisibleBottom(int lastRow) const {
    const QModelIndex bottom = indexAt(QPoint(1, viewport()->height() - 1));
    const int lastVisible = bottom.isValid() ? bottom.row() : lastRow; // the rows end above the bottom
    return lastRow - lastVisible;
}

void ClipboardResultListView::mouseMoveEvent(QMouseEvent* event) {
    if (pressedRow_ >= 0 && (event->buttons() & Qt::LeftButton) &&
        (event->position().toPoint() - pressPosition_).manhattanLength() >= QApplication::startDragDistance()) {
        const int row = pressedRow_;
        pressedRow_ = -1; // the release ends a drag, not a click
        Q_EMIT rowDragStarted(row);
        event->accept();
        return;
    }
    // The gate works in screen coordinates: a list scrolled under a still pointer is
    // not a movement.
    if (gate_.allowsHover(event->globalPosition())) {
        const QModelIndex index = indexAt(event->position().toPoint());
        if (index.isValid()) {
            gate_.recordHoverSelection(event->globalPosition());
            Q_EMIT rowHovered(index.row());
        }
    }
    event->accept();
}

void ClipboardResultListView::mousePressEvent(QMouseEvent* event) {
    // Selection belongs to the view model; the view's own click handling stays out.
    const QModelIndex index = indexAt(event->position().toPoint());
    pressedRow_ = event->button() == Qt::LeftButton && index.isValid() ? index.row() : -1;
    pressPosition_ = event->position().toPoint();
    if (pressedRow_ >= 0) Q_EMIT rowPressed(pressedRow_);
    event->accept();
}

void ClipboardResultListView::mouseReleaseEvent(QMouseEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && index.isValid() && index.row() == pressedRow_) {
        Q_EMIT rowClicked(index.row());
    }
    pressedRow_ = -1;
    event->accept();
}

void ClipboardResultListView::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept(); // the first click already copied
}

void ClipboardResultListView::contextMenuEvent(QContextMenuEvent* event) {
    const QModelIndex index = indexAt(event->pos());
    if (index.isValid()) {
        Q_EMIT rowContextMenuRequested(index.row(), event->globalPos());
    }
    event->accept();
}

void ClipboardResultListView::resizeEvent(QResizeEvent* event) {
    QListView::resizeEvent(event);
    Q_EMIT visibleRangeChanged();
}

void ClipboardResultListView::rowsInserted(const QModelIndex& parent, int start, int end) {
    QListView::rowsInserted(parent, start, end);
    Q_EMIT visibleRangeChanged();
}

} // namespace quellpad
