// The centered clipboard panel: search field, result list, detail pane and footer in
// one tool window. It only binds: the state lives in the view model, the list and
// detail models and the controller, which it reaches through ClipboardPanelWindowing.
//
// It opens centred on the screen that holds the pointer, or where the user last moved
// it ("ClipboardPanelPosition", the frame's top-left corner in desktop coordinates)
// while that spot is on a screen; it follows the interface language and the palette.
#pragma once

#include <QMenu>
#include <QPointer>
#include <QWidget>

#include "panel/ClipboardPanelKeyMap.h"
#include "panel/ClipboardPanelWindowing.h"

class QLabel;
class QStackedWidget;

namespace quellpad {

class ClipboardDetailPane;
class ClipboardDetailViewModel;
class ClipboardPanelViewModel;
class ClipboardResultListModel;
class ClipboardResultListView;
class ClipboardResultRowDelegate;
class ClipboardSearchField;
class DefaultsStore;
class Localizer;

class ClipboardPanelWindow final : public QWidget, public ClipboardPanelWindowing {
    Q_OBJECT
public:
    ClipboardPanelWindow(ClipboardPanelController& controller, DefaultsStore& defaults, const Localizer& localizer,
                         QWidget* parent = nullptr);
    ~ClipboardPanelWindow() override;

    // ClipboardPanelWindowing
    bool isWindowVisible() const override { return isVisible(); }
    void showWindow() override;
    void hideWindow() override;
    void clearSearchField() override;
    void setSearchFieldText(const QString& text, qsizetype cursor) override;
    std::optional<QString> detailFormattedText(const QString& itemId) const override;
    bool isDetailFormattingEnabled() const override;
    void setDetailFormattingEnabled(bool enabled) override;
    QString searchFieldSelectedText() const override;
    void openActionsMenuForSelectedRow() override;

    // The parts, for tests and the accessibility tree.
    ClipboardSearchField* searchField() const { return search_; }
    ClipboardResultListView* resultList() const { return list_; }
    ClipboardResultListModel* resultModel() const { return listModel_; }
    ClipboardDetailViewModel* detailModel() const { return detailModel_; }
    ClipboardDetailPane* detailPane() const { return detail_; }
    QLabel* listStatusLabel() const { return listStatus_; }
    QLabel* footerLabel() const { return footer_; }
    QMenu* actionsMenu() const { return actionsMenu_; }

    // The actions menu of a row, opened at a screen position (right click, Ctrl+K).
    void showActionsMenu(int row, const QPoint& globalPosition);
    // Drags a row out: its text, rich forms and a file of it, or its image file.
    void dragRow(int row);
    // Where the window opens now: the remembered spot when it is on a screen, else
    // centred on the pointer's screen. Top-left of the frame.
    QPoint openingPosition() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    bool handlePanelKey(ClipboardPanelKeyCommand command);
    void retranslate();
    void updateFooter();
    void updateListState();
    void syncListSelection();
    void loadMoreWhenNearEnd();
    void rememberPosition();

    ClipboardPanelController& controller_;
    ClipboardPanelViewModel& viewModel_;
    DefaultsStore& defaults_;
    const Localizer& localizer_;

    ClipboardResultListModel* listModel_ = nullptr;
    ClipboardDetailViewModel* detailModel_ = nullptr;
    ClipboardSearchField* search_ = nullptr;
    ClipboardResultListView* list_ = nullptr;
    ClipboardResultRowDelegate* delegate_ = nullptr;
    QStackedWidget* listStack_ = nullptr;
    QLabel* listStatus_ = nullptr;
    ClipboardDetailPane* detail_ = nullptr;
    QLabel* footer_ = nullptr;
    QLabel* footerHint_ = nullptr;
    QPointer<QMenu> actionsMenu_;

    bool positioning_ = false; // a move made here, not by the user
    bool movedByUser_ = false;
};

} // namespace quellpad
