#include "floating/widgets/FloatingClipboardPreviewBubble.h"

#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include "localization/Localizer.h"
#include "panel/widgets/ClipboardDetailPane.h"

namespace quellpad {

namespace {
constexpr int bodyPadding = 8;
constexpr double cornerRadius = 10;
} // namespace

FloatingClipboardPreviewBubble::FloatingClipboardPreviewBubble(ClipboardDetailViewModel& model,
                                                               const Localizer& localizer, bool translucent)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus),
      localizer_(localizer), translucent_(translucent) {
    setObjectName(QStringLiteral("FloatingClipboardPreviewBubble"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_X11DoNotAcceptFocus);
    setFocusPolicy(Qt::NoFocus);
    // Without a compositor a translucent window shows garbage behind it: opaque then.
    setAttribute(Qt::WA_TranslucentBackground, translucent_);
    pane_ = new ClipboardDetailPane(model, localizer, this);
    pane_->setObjectName(QStringLiteral("FloatingPreviewDetailPane"));
    pane_->setFocusPolicy(Qt::NoFocus);
    for (QWidget* child : pane_->findChildren<QWidget*>()) child->setFocusPolicy(Qt::NoFocus);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(bodyPadding, bodyPadding, bodyPadding, bodyPadding);
    layout->addWidget(pane_);
    retranslate();
}

void FloatingClipboardPreviewBubble::retranslate() {
    setWindowTitle(localizer_.text(TextKey::floatingPreviewBubble));
    setAccessibleName(localizer_.text(TextKey::floatingPreviewBubble));
    pane_->retranslate();
}

void FloatingClipboardPreviewBubble::present(const QRect& frame, FloatingClipboardPreviewArrowSide side,
                                             double arrowCenterY) {
    side_ = side;
    arrowCenterY_ = arrowCenterY;
    // The arrow lives in the margin on its side.
    auto* box = layout();
    const bool leading = side == FloatingClipboardPreviewArrowSide::leading;
    box->setContentsMargins(bodyPadding + (leading ? arrowDepth : 0), bodyPadding,
                            bodyPadding + (leading ? 0 : arrowDepth), bodyPadding);
    setGeometry(frame);
    if (!translucent_) setMask(QRegion(shape().toFillPolygon().toPolygon())); // the arrow may have moved
    if (!isVisible()) show();
    update();
}

QPainterPath FloatingClipboardPreviewBubble::shape() const {
    const bool leading = side_ == FloatingClipboardPreviewArrowSide::leading;
    const QRectF body = QRectF(rect()).adjusted(leading ? arrowDepth : 0, 0, leading ? 0 : -arrowDepth, 0);
    QPainterPath path;
    path.addRoundedRect(body.adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius, cornerRadius);
    const double arrowY = height() - arrowCenterY_;
    const double edge = leading ? body.left() + 1 : body.right() - 1;
    const double tip = leading ? 0.5 : width() - 0.5;
    QPainterPath arrow;
    arrow.moveTo(edge, arrowY - arrowHalfWidth);
    arrow.lineTo(tip, arrowY);
    arrow.lineTo(edge, arrowY + arrowHalfWidth);
    arrow.closeSubpath();
    return path.united(arrow);
}

void FloatingClipboardPreviewBubble::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // Without a compositor the window's shape gives the rounded corners and the arrow.
    if (!translucent_) setMask(QRegion(shape().toFillPolygon().toPolygon()));
}

void FloatingClipboardPreviewBubble::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPainterPath path = shape();
    QColor fill = palette().color(QPalette::Window);
    if (translucent_) fill.setAlphaF(0.96f);
    painter.fillPath(path, fill);
    painter.setPen(QPen(palette().color(QPalette::Mid), 1));
    painter.drawPath(path);
}

} // namespace quellpad
