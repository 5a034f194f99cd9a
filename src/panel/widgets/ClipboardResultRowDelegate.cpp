#include "panel/widgets/ClipboardResultRowDelegate.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>

#include "classification/ClipboardClassificationModel.h"
#include "localization/Localizer.h"
#include "panel/ClipboardResultListModel.h"

namespace quellpad {

namespace {

using Model = ClipboardResultListModel;

constexpr int horizontalPadding = 10;
constexpr int verticalPadding = 6;
constexpr int lineGap = 2;
constexpr int rowInset = 4; // the selection's rounded rectangle stands off the edges

QFont smallerFont(const QFont& font) {
    QFont smaller = font;
    if (smaller.pointSizeF() > 0) {
        smaller.setPointSizeF(smaller.pointSizeF() * 0.85);
    } else {
        smaller.setPixelSize(std::max(9, smaller.pixelSize() * 85 / 100));
    }
    return smaller;
}

} // namespace

ClipboardResultRowDelegate::ClipboardResultRowDelegate(const Localizer& localizer, QObject* parent)
    : QStyledItemDelegate(parent), localizer_(localizer) {}

QString ClipboardResultRowDelegate::badgeText(const QModelIndex& index) const {
    const QString label = index.data(Model::ClassificationRole).toString();
    if (!label.isEmpty()) {
        for (const auto& definition : systemClassificationDefinitions()) {
            if (definition.displayName == label) {
                return localizer_.text(definition.displayNameKey);
            }
        }
        return label;
    }
    return index.data(Model::ContentTypeRole).toString() == QLatin1String("image")
               ? localizer_.text(TextKey::mainContentTypeImage)
               : localizer_.text(TextKey::mainContentTypeText);
}

QSize ClipboardResultRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    // Every row has the two-line height: the list uses uniform sizes, measured on any row.
    const QFontMetrics main(option.font);
    const QFontMetrics small(smallerFont(option.font));
    return {200, main.height() + lineGap + small.height() + 2 * verticalPadding + 2};
}

void ClipboardResultRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                       const QModelIndex& index) const {
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QPalette& palette = option.palette;
    const bool selected = index.data(Model::SelectedRole).toBool();
    const QRect row = option.rect.adjusted(rowInset, 1, -rowInset, -1);
    if (selected) {
        QPainterPath path;
        path.addRoundedRect(QRectF(row), 6, 6);
        painter->fillPath(path, palette.color(QPalette::Active, QPalette::Highlight));
    }
    const QColor primary = palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
    QColor secondary = selected ? primary : palette.color(QPalette::PlaceholderText);
    if (selected) secondary.setAlphaF(0.8f);

    const QRect content = row.adjusted(horizontalPadding, verticalPadding, -horizontalPadding, -verticalPadding);
    const QFontMetrics mainMetrics(option.font);
    const QFont small = smallerFont(option.font);
    const QFontMetrics smallMetrics(small);
    const auto kind = index.data(Model::RowKindRole).value<Model::RowKind>();
    const QString preview = index.data(Model::PreviewRole).toString();

    if (kind == Model::RowKind::showMore) {
        painter->setFont(option.font);
        painter->setPen(selected ? primary : palette.color(QPalette::Link));
        painter->drawText(content, Qt::AlignCenter, preview);
        painter->restore();
        return;
    }
    if (kind == Model::RowKind::suggestion) {
        const QString token = index.data(Model::ClassificationRole).toString();
        painter->setFont(small);
        const int tokenWidth = smallMetrics.horizontalAdvance(token);
        painter->setPen(secondary);
        painter->drawText(content, Qt::AlignRight | Qt::AlignVCenter, token);
        painter->setFont(option.font);
        painter->setPen(primary);
        const QRect nameRect = content.adjusted(0, 0, -(tokenWidth + horizontalPadding), 0);
        painter->drawText(nameRect, Qt::AlignLeft | Qt::AlignVCenter,
                          mainMetrics.elidedText(preview, Qt::ElideRight, nameRect.width()));
        painter->restore();
        return;
    }

    // The badge at the top right, then the preview in what is left of the first line.
    const QString badge = badgeText(index);
    const int badgeWidth = smallMetrics.horizontalAdvance(badge) + 12;
    const int badgeHeight = smallMetrics.height() + 2;
    const QRect badgeRect(content.right() - badgeWidth + 1, content.top() + (mainMetrics.height() - badgeHeight) / 2,
                          badgeWidth, badgeHeight);
    QColor badgeFill = selected ? primary : palette.color(QPalette::Text);
    badgeFill.setAlphaF(selected ? 0.22f : 0.09f);
    QPainterPath badgePath;
    badgePath.addRoundedRect(QRectF(badgeRect), badgeHeight / 2.0, badgeHeight / 2.0);
    painter->fillPath(badgePath, badgeFill);
    painter->setFont(small);
    painter->setPen(selected ? primary : palette.color(QPalette::Text));
    painter->drawText(badgeRect, Qt::AlignCenter, badge);

    const QRect firstLine(content.left(), content.top(), content.width() - badgeWidth - 8, mainMetrics.height());
    painter->setFont(option.font);
    painter->setPen(primary);
    painter->drawText(firstLine, Qt::AlignLeft | Qt::AlignVCenter,
                      mainMetrics.elidedText(preview, Qt::ElideRight, firstLine.width()));

    QStringList details;
    const QString app = index.data(Model::SourceApplicationRole).toString();
    if (!app.isEmpty()) details << app;
    const QString date = index.data(Model::RelativeDateRole).toString();
    if (!date.isEmpty()) details << date;
    const QRect secondLine(content.left(), firstLine.bottom() + 1 + lineGap, content.width(), smallMetrics.height());
    painter->setFont(small);
    painter->setPen(secondary);
    painter->drawText(secondLine, Qt::AlignLeft | Qt::AlignVCenter,
                      smallMetrics.elidedText(details.join(QStringLiteral(" · ")), Qt::ElideRight, secondLine.width()));
    painter->restore();
}

} // namespace quellpad
