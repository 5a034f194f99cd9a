// The panel's search field: a line edit that draws the ghost completion's suffix in
// grey after the caret, offers the panel's keys to the panel before editing with them,
// and reports every text or caret change. Editing keys (Ctrl+V, Ctrl+Backspace, ...)
// stay with the field.
#pragma once

#include <functional>

#include <QLineEdit>

#include "panel/ClipboardPanelKeyMap.h"
#include "search/ClipboardGhostCompletion.h"

namespace quellpad {

class DefaultsStore;

class ClipboardSearchField final : public QLineEdit {
    Q_OBJECT
public:
    ClipboardSearchField(const DefaultsStore& defaults, QWidget* parent = nullptr);

    // A panel key pressed in the field; true when the panel handled it.
    std::function<bool(ClipboardPanelKeyCommand)> panelKeyHandler;
    // The text (when searched for) or the caret changed.
    std::function<void(const QString& text, qsizetype cursor)> edited;

    const ClipboardGhostCompletion& ghost() const { return ghost_; }
    // Escape: hides a shown ghost; true when there was one.
    bool hideGhost();
    // Tab: appends the ghost's suffix; true when there was one.
    bool acceptGhost();

    // Text put in by the panel, not typed: nothing is reported and no ghost shows.
    void setTextSilently(const QString& text, qsizetype cursor);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    ClipboardGhostCompletion::EditorState editorState() const;
    void textWasEdited();
    void caretMoved();

    ClipboardGhostCompletion ghost_;
    bool composing_ = false; // an input method has uncommitted text
    bool silent_ = false;
    QString lastText_;
};

} // namespace quellpad
