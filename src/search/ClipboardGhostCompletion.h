// Ghost completion of filter values in the search field, without widgets: when the
// text ends in `type:`, `app:`, `after:` or `before:` and a partial value, the rest
// of the best value is offered after the caret in grey, and one key accepts it.
// The field forwards its text, selection and key events; the view draws
// `ghostSuffix()` whenever `onGhostChanged` fires.
//
// Every hide (cursor moved, deletion, focus lost, nothing to offer) puts the field
// into a suppressed mode that the next text change at the end of the text ends.
#pragma once

#include <functional>
#include <optional>

#include <QString>
#include <QStringList>

namespace quellpad {

class DefaultsStore;

class ClipboardGhostCompletion {
public:
    inline static const QString logCategory = QStringLiteral("GhostCompletion");

    // What the field's editor shows at the moment of an event.
    struct EditorState {
        QString text;
        qsizetype cursor = 0;          // UTF-16 offset of the insertion point
        qsizetype selectionLength = 0; // 0: no selection
        bool hasMarkedText = false;    // an input method is composing
        bool hasEditor = true;         // the field is being edited

        bool cursorAtEndWithoutSelection() const { return selectionLength == 0 && cursor == text.size(); }
    };

    // searchRequest receives the text of every change the field searches for.
    ClipboardGhostCompletion(const DefaultsStore& defaults, std::function<void(const QString&)> searchRequest);

    // Called after the view should redraw the suffix (shown, changed or hidden).
    std::function<void(const QString& suffix, bool wasShown)> onGhostChanged;

    const QString& ghostSuffix() const { return ghostSuffix_; }
    bool isShowingGhost() const { return !ghostSuffix_.isEmpty(); }
    bool isSuppressed() const { return suppressed_; }

    // The text changed (typing, pasting, deleting).
    void textDidChange(const EditorState& state);
    // The selection or insertion point moved without a text change.
    void selectionDidChange(const EditorState& state);
    // Move and delete commands, losing focus.
    void moveCommand() { hideGhost(QStringLiteral("cursor movement")); }
    void deleteCommand() { hideGhost(QStringLiteral("delete command")); }
    void resignFirstResponder() { hideGhost(QStringLiteral("resign first responder")); }

    void tryShowGhost(const EditorState& state);
    void hideGhost(const QString& reason);
    // Appends the shown suffix, puts the cursor at the end and hides the ghost; the
    // completed text is searched for. nullopt (and nothing changes) when no ghost shows.
    std::optional<EditorState> acceptGhost(const EditorState& state);

    // The values offered after `kind:` for a partial value, best first: date keywords
    // for after/before, content types and classifications (sorted by name) for type,
    // nothing for app.
    QStringList completions(const QString& kind, const QString& partial) const;

private:
    void showGhost(const QString& suffix);

    const DefaultsStore& defaults_;
    std::function<void(const QString&)> searchRequest_;
    QString ghostSuffix_;
    bool suppressed_ = false;
};

} // namespace quellpad
