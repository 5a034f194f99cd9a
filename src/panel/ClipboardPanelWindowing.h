// What the panel controller needs from its window. The widgets implement it; tests
// use a recording fake.
#pragma once

#include <functional>
#include <memory>
#include <optional>

#include <QObject>
#include <QString>

namespace quellpad {

class ClipboardPanelController;

class ClipboardPanelWindowing {
public:
    virtual ~ClipboardPanelWindowing() = default;

    virtual bool isWindowVisible() const = 0;
    // Shows the window on the screen that holds the pointer, with the search field focused.
    virtual void showWindow() = 0;
    virtual void hideWindow() = 0;
    // Empties the search field without the change entering the search pipeline.
    virtual void clearSearchField() = 0;
    // Puts text into the search field with the cursor at cursor (a filter suggestion applied).
    virtual void setSearchFieldText(const QString& text, qsizetype cursor) = 0;
    // The formatted text the detail pane shows for this item, when it shows that item
    // with formatting on; nullopt otherwise.
    virtual std::optional<QString> detailFormattedText(const QString& itemId) const = 0;
    // Whether the detail pane formats its item, and switching it.
    virtual bool isDetailFormattingEnabled() const = 0;
    virtual void setDetailFormattingEnabled(bool enabled) = 0;
    // The search field's selected text, empty when nothing is selected.
    virtual QString searchFieldSelectedText() const = 0;
    // Opens the actions menu of the selected row at the row's centre.
    virtual void openActionsMenuForSelectedRow() = 0;
};

// The platform's save dialog. done receives the chosen path, or nullopt when cancelled.
class ClipboardSavePanelPresenting {
public:
    virtual ~ClipboardSavePanelPresenting() = default;
    virtual void presentSavePanel(const QString& proposedFileName, bool plainTextOnly,
                                  std::function<void(std::optional<QString> path)> done) = 0;
    // Tells the user that writing the chosen file failed (the panel is gone by then).
    virtual void showSaveError(const QString& message) = 0;
};

// Builds the widgets of a panel for its controller and attaches them to it
// (setWindow, setSavePanelPresenter); the returned object owns them.
using ClipboardPanelWindowFactory = std::function<std::unique_ptr<QObject>(ClipboardPanelController&)>;

} // namespace quellpad
