// Paints a result row in the standard style: the preview on the first line (elided),
// the source application and the relative date below it, the type badge at the right;
// the "Show More" row and filter suggestions get their own simple layouts.
#pragma once

#include <QStyledItemDelegate>

namespace quellpad {

class Localizer;

class ClipboardResultRowDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit ClipboardResultRowDelegate(const Localizer& localizer, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // The badge text of an item row: its label, else "Image" or "Text".
    QString badgeText(const QModelIndex& index) const;

private:
    const Localizer& localizer_;
};

} // namespace quellpad
