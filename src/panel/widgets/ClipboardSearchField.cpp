#include "panel/widgets/ClipboardSearchField.h"

#include <QKeyEvent>
#include <QPainter>

namespace quellpad {

ClipboardSearchField::ClipboardSearchField(const DefaultsStore& defaults, QWidget* parent)
    : QLineEdit(parent), ghost_(defaults, [this](const QString& text) {
          if (edited) edited(text, cursorPosition());
      }) {
    ghost_.onGhostChanged = [this](const QString&, bool) { update(); };
    connect(this, &QLineEdit::textEdited, this, &ClipboardSearchField::textWasEdited);
    connect(this, &QLineEdit::cursorPositionChanged, this, &ClipboardSearchField::caretMoved);
    connect(this, &QLineEdit::selectionChanged, this, &ClipboardSearchField::caretMoved);
}

ClipboardGhostCompletion::EditorState ClipboardSearchField::editorState() const {
    ClipboardGhostCompletion::EditorState state;
    state.text = text();
    state.cursor = hasSelectedText() ? selectionEnd() : cursorPosition();
    state.selectionLength = selectedText().size();
    state.hasMarkedText = composing_;
    // The field is the panel's only keyboard target: it is always the one being edited.
    state.hasEditor = isEnabled();
    return state;
}

void ClipboardSearchField::textWasEdited() {
    if (silent_ || text() == lastText_) {
        return;
    }
    lastText_ = text();
    ghost_.textDidChange(editorState()); // reports the text through `edited`
}

void ClipboardSearchField::caretMoved() {
    if (silent_ || text() != lastText_) {
        return; // a text change reports itself
    }
    ghost_.selectionDidChange(editorState());
    if (edited) edited(text(), cursorPosition());
}

bool ClipboardSearchField::hideGhost() {
    if (!ghost_.isShowingGhost()) {
        return false;
    }
    ghost_.hideGhost(QStringLiteral("escape"));
    return true;
}

bool ClipboardSearchField::acceptGhost() {
    const std::optional<ClipboardGhostCompletion::EditorState> accepted = ghost_.acceptGhost(editorState());
    if (!accepted) {
        return false;
    }
    // The completed text was already searched for by the ghost; only show it.
    silent_ = true;
    setText(accepted->text);
    setCursorPosition(static_cast<int>(accepted->cursor));
    silent_ = false;
    lastText_ = accepted->text;
    if (edited) edited(accepted->text, accepted->cursor);
    return true;
}

void ClipboardSearchField::setTextSilently(const QString& text, qsizetype cursor) {
    silent_ = true;
    ghost_.hideGhost(QStringLiteral("text set by the panel"));
    setText(text);
    setCursorPosition(static_cast<int>(std::clamp<qsizetype>(cursor, 0, text.size())));
    lastText_ = text;
    silent_ = false;
}

bool ClipboardSearchField::event(QEvent* event) {
    // Tab accepts the ghost instead of moving the focus out of the field.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            keyPressEvent(key);
            return true;
        }
    }
    return QLineEdit::event(event);
}

void ClipboardSearchField::keyPressEvent(QKeyEvent* event) {
    const std::optional<ClipboardPanelKeyCommand> command = clipboardPanelKeyCommand(event->key(), event->modifiers());
    if (command) {
        if (*command == ClipboardPanelKeyCommand::dismissOrCloseCompletion && hideGhost()) {
            event->accept();
            return;
        }
        if (*command == ClipboardPanelKeyCommand::acceptGhostCompletion && acceptGhost()) {
            event->accept();
            return;
        }
        if (panelKeyHandler && panelKeyHandler(*command)) {
            event->accept();
            return;
        }
        if (*command == ClipboardPanelKeyCommand::acceptGhostCompletion) {
            event->accept(); // Tab never leaves the field
            return;
        }
    }
    // The ghost hears of moves and deletions before the text changes, as an editor's
    // commands arrive before its change notice.
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
        ghost_.moveCommand();
        break;
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
        ghost_.deleteCommand();
        break;
    default:
        break;
    }
    QLineEdit::keyPressEvent(event);
}

void ClipboardSearchField::inputMethodEvent(QInputMethodEvent* event) {
    composing_ = !event->preeditString().isEmpty();
    if (composing_) {
        ghost_.textDidChange(editorState()); // hides the ghost, searches nothing
    }
    QLineEdit::inputMethodEvent(event);
}

void ClipboardSearchField::focusOutEvent(QFocusEvent* event) {
    // A context menu or the window losing focus briefly is no reason to drop the ghost.
    if (event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason) {
        ghost_.resignFirstResponder();
    }
    QLineEdit::focusOutEvent(event);
}

void ClipboardSearchField::paintEvent(QPaintEvent* event) {
    QLineEdit::paintEvent(event);
    const QString suffix = ghost_.ghostSuffix();
    if (suffix.isEmpty() || hasSelectedText() || cursorPosition() != text().size()) {
        return;
    }
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::PlaceholderText));
    const QRect caret = cursorRect();
    const QRect area(caret.center().x() + 1, caret.top(), width() - caret.center().x(), caret.height());
    painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter, suffix);
}

} // namespace quellpad
