// The floating panel's compact rows: one line, the preview elided and the type badge
// at the right, so that more rows fit the small panel. Rows that are not items (the
// "Show More" row, filter suggestions) are painted as in the standard style.
#pragma once

#include <QStyledItemDelegate>

namespace quellpad {

class ClipboardResultRowDelegate;

class FloatingCompactRowDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    FloatingCompactRowDelegate(ClipboardResultRowDelegate& standard, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    ClipboardResultRowDelegate& standard_;
};

} // namespace quellpad
