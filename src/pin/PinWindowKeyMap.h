// The pin window's keys, looked at before the text view sees them. Ctrl stands where
// the macOS window uses Command.
#pragma once

#include <optional>

#include <Qt>

namespace quellpad {

enum class PinWindowKeyCommand {
    close,     // Escape, Ctrl+W
    selectAll, // Ctrl+A (text)
    copy,      // Ctrl+C: the selection in a text window, the image in an image window
    paste,     // Ctrl+V (text)
    cut,       // Ctrl+X (text)
    save,      // Ctrl+S
    undo,      // Ctrl+Z (text)
    redo,      // Ctrl+Shift+Z (text)
    ignore,    // Ctrl+A, Ctrl+V, Ctrl+X in an image window: swallowed, nothing happens
};

// The command for a key press, nullopt for keys left to the default handling.
std::optional<PinWindowKeyCommand> pinWindowKeyCommand(int key, Qt::KeyboardModifiers modifiers, bool imageWindow);

} // namespace quellpad
