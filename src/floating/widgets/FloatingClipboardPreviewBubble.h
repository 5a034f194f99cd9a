// The preview bubble beside the floating panel: a top-level window of its own that
// never takes the focus (keys stay in the panel's search field), showing the selected
// item through the detail pane, with an arrow pointing at the selected row.
#pragma once

#include <QPainterPath>
#include <QWidget>

#include "floating/FloatingClipboardPreviewPlacement.h"

namespace quellpad {

class ClipboardDetailPane;
class ClipboardDetailViewModel;
class Localizer;

class FloatingClipboardPreviewBubble final : public QWidget {
    Q_OBJECT
public:
    static constexpr int arrowDepth = 7;   // how far the arrow reaches out of the body
    static constexpr int arrowHalfWidth = 8;

    FloatingClipboardPreviewBubble(ClipboardDetailViewModel& model, const Localizer& localizer, bool translucent);

    // frame: the whole bubble, arrow included, in global coordinates.
    void present(const QRect& frame, FloatingClipboardPreviewArrowSide side, double arrowCenterY);
    void retranslate();
    ClipboardDetailPane* detailPane() const { return pane_; }
    FloatingClipboardPreviewArrowSide arrowSide() const { return side_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // The body with its arrow, in the bubble's own coordinates.
    QPainterPath shape() const;

    ClipboardDetailPane* pane_ = nullptr;
    const Localizer& localizer_;
    bool translucent_;
    FloatingClipboardPreviewArrowSide side_ = FloatingClipboardPreviewArrowSide::leading;
    double arrowCenterY_ = 0; // from the bottom
};

} // namespace quellpad
