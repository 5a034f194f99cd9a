// The panel's keys on Linux. Ctrl stands where the macOS panel uses Command; where
// that collides with ordinary text editing in the search field or with a Control
// binding, editing keeps the key and the item command moves (README: "Panel keys").
#pragma once

#include <optional>

#include <Qt>

namespace quellpad {

enum class ClipboardPanelKeyCommand {
    dismissOrCloseCompletion, // Escape: the field's completion first, then the panel
    acceptGhostCompletion,    // Tab
    copy,                     // Return, Ctrl+Return, keypad Enter
    copyPlainText,            // Shift+Return
    selectNext,               // Down, Ctrl+N
    selectPrevious,           // Up, Ctrl+P
    copyFieldSelectionOrFormatted, // Ctrl+C
    save,                     // Ctrl+S
    openWithDefaultApp,       // Ctrl+O
    pin,                      // Ctrl+Shift+P (Ctrl+P moves up)
    openActionsMenu,          // Ctrl+K, Menu key, Shift+F10
    toggleFormatting,         // Ctrl+F
    deleteItem,               // Ctrl+Delete (Ctrl+Backspace deletes a word)
    dismiss,                  // Ctrl+W, Ctrl+H, Ctrl+Comma
    pageDown,                 // Page Down
    pageUp,                   // Page Up
};

// The command for a key press in the panel, nullopt for keys the search field edits with.
std::optional<ClipboardPanelKeyCommand> clipboardPanelKeyCommand(int key, Qt::KeyboardModifiers modifiers);

} // namespace quellpad
