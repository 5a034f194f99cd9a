// The floating panel's widgets: a borderless, always-on-top window with the search
// field and the result list (standard or compact rows), and the preview bubble beside
// it. It only binds: placement and timing live in FloatingClipboardPanelController,
// the items' actions in ClipboardPanelController. Translucent only when a compositor
// runs; opaque otherwise.
#pragma once

#include <memory>

#include <QWidget>

#include "floating/FloatingClipboardPanelWindowing.h"
#include "panel/ClipboardPanelKeyMap.h"

class QLabel;
class QStackedWidget;

namespace quellpad {

class ClipboardDetailViewModel;
class ClipboardPanelController;
class ClipboardPanelViewModel;
class ClipboardResultListModel;
class ClipboardResultListView;
class ClipboardResultRowDelegate;
class ClipboardSearchField;
class DefaultsStore;
class FloatingClipboardPreviewBubble;
class FloatingCompactRowDelegate;
class Localizer;

class FloatingClipboardPanelWindow final : public QWidget, public FloatingClipboardPanelWindowing {
    Q_OBJECT
public:
    FloatingClipboardPanelWindow(FloatingClipboardPanelController& floating, ClipboardPanelController& actions,
                                 DefaultsStore& defaults, const Localizer& localizer, bool translucent);
    ~FloatingClipboardPanelWindow() override;

    // FloatingClipboardPanelWindowing
    bool isPanelVisible() const override { return isVisible(); }
    void showPanelAt(const QRectF& frame) override;
    void hidePanel() override;
    QRectF panelFrame() const override { return QRectF(geometry()); }
    void setRowStyle(ClipboardResultListRowStyle style) override;
    std::optional<QRectF> selectedRowFrame() const override;
    QSizeF preferredPreviewSize() const override { return {360, 300}; }
    void showPreview(const QRectF& frame, FloatingClipboardPreviewArrowSide side, double arrowCenterY) override;
    void hidePreview() override;
    bool isPreviewVisible() const override;
    void clearSearchField() override;
    void setSearchFieldText(const QString& text, qsizetype cursor) override;
    QString searchFieldSelectedText() const override;
    std::optional<QString> previewFormattedText(const QString& itemId) const override;
    bool isPreviewFormattingEnabled() const override;
    void setPreviewFormattingEnabled(bool enabled) override;
    void openActionsMenuForSelectedRow() override {}

    // The parts, for tests.
    ClipboardSearchField* searchField() const { return search_; }
    ClipboardResultListView* resultList() const { return list_; }
    FloatingClipboardPreviewBubble* previewBubble() const { return bubble_.get(); }
    ClipboardResultListRowStyle rowStyle() const { return style_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool handlePanelKey(ClipboardPanelKeyCommand command);
    void retranslate();
    void updateListState();
    void syncListSelection();

    FloatingClipboardPanelController& floating_;
    ClipboardPanelController& actions_;
    ClipboardPanelViewModel& viewModel_;
    const Localizer& localizer_;
    bool translucent_;
    ClipboardResultListModel* listModel_ = nullptr;
    ClipboardDetailViewModel* detailModel_ = nullptr;
    ClipboardSearchField* search_ = nullptr;
    ClipboardResultListView* list_ = nullptr;
    ClipboardResultRowDelegate* standardDelegate_ = nullptr;
    FloatingCompactRowDelegate* compactDelegate_ = nullptr;
    QStackedWidget* listStack_ = nullptr;
    QLabel* listStatus_ = nullptr;
    std::unique_ptr<FloatingClipboardPreviewBubble> bubble_;
    ClipboardResultListRowStyle style_ = ClipboardResultListRowStyle::standard;
};

} // namespace quellpad
