#include "floating/widgets/FloatingCompactRowDelegate.h"

#include <QPainter>
#include <QPainterPath>

#include "panel/ClipboardResultListModel.h"
#include "panel/widgets/ClipboardResultRowDelegate.h"

namespace quellpad {

namespace {

using Model = ClipboardResultListModel;
constexpr int horizontalPadding = 8;
constexpr int verticalPadding = 4;
constexpr int rowInset = 4;

} // namespace

FloatingCompactRowDelegate::FloatingCompactRowDelegate(ClipboardResultRowDelegate& standard, QObject* parent)
    : QStyledItemDelegate(parent), standard_(standard) {}

QSize FloatingCompactRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    // Uniform row heights: the list measures one row for all.
    return {200, QFontMetrics(option.font).height() + 2 * verticalPadding + 2};
}

void FloatingCompactRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                       const QModelIndex& index) const {
    if (index.data(Model::RowKindRole).value<Model::RowKind>() != Model::RowKind::item) {
        standard_.paint(painter, option, index);
        return;
    }
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QPalette& palette = option.palette;
    const bool selected = index.data(Model::SelectedRole).toBool();
    const QRect row = option.rect.adjusted(rowInset, 1, -rowInset, -1);
    if (selected) {
        QPainterPath path;
        path.addRoundedRect(QRectF(row), 5, 5);
        painter->fillPath(path, palette.color(QPalette::Active, QPalette::Highlight));
    }
    const QColor primary = palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
    QColor secondary = selected ? primary : palette.color(QPalette::PlaceholderText);
    const QRect content = row.adjusted(horizontalPadding, 0, -horizontalPadding, 0);

    QFont badgeFont = option.font;
    if (badgeFont.pointSizeF() > 0) badgeFont.setPointSizeF(badgeFont.pointSizeF() * 0.85);
    const QString badge = standard_.badgeText(index);
    const int badgeWidth = QFontMetrics(badgeFont).horizontalAdvance(badge);
    painter->setFont(badgeFont);
    painter->setPen(secondary);
    painter->drawText(content, Qt::AlignRight | Qt::AlignVCenter, badge);

    const QRect textRect = content.adjusted(0, 0, -(badgeWidth + horizontalPadding), 0);
    const QString preview = index.data(Model::PreviewRole).toString().simplified();
    painter->setFont(option.font);
    painter->setPen(primary);
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
                      QFontMetrics(option.font).elidedText(preview, Qt::ElideRight, textRect.width()));
    painter->restore();
}

} // namespace quellpad
