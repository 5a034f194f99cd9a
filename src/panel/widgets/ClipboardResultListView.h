// The panel's result list: never takes the keyboard focus (keys stay in the search
// field), turns pointer movement into hover selection through the hover gate, clicks
// into activations, and says when its visible bottom nears the last row.
#pragma once

#include <QListView>

#include "panel/ClipboardHoverSelectionGate.h"

namespace quellpad {

class ClipboardResultListView final : public QListView {
    Q_OBJECT
public:
    explicit ClipboardResultListView(QWidget* parent = nullptr);

    // After a keyboard selection or a reload: a resting pointer must not steal the row.
    void suppressHover();
    // Makes the view's selection the model's selected row (none when row < 0), so that
    // assistive tools see the selected state, and scrolls it into view.
    void mirrorSelection(int row);
    // The number of rows from the last visible one to the last one, inclusive of neither.
    int rowsBelowVisibleBottom(int lastRow) const;

Q_SIGNALS:
    void rowHovered(int row);
    void rowClicked(int row);
    // The left button went down on a row (its content is fetched for a drag).
    void rowPressed(int row);
    // The pointer moved far enough with the button held: the row is dragged, not clicked.
    void rowDragStarted(int row);
    void rowContextMenuRequested(int row, const QPoint& globalPosition);
    // Scrolling, resizing or new rows changed what is visible.
    void visibleRangeChanged();

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void rowsInserted(const QModelIndex& parent, int start, int end) override;

private:
    ClipboardHoverSelectionGate gate_;
    int pressedRow_ = -1;
    QPoint pressPosition_;
};

} // namespace quellpad
