#include "panel/ClipboardPanelKeyMap.h"

namespace quellpad {

std::optional<ClipboardPanelKeyCommand> clipboardPanelKeyCommand(int key, Qt::KeyboardModifiers modifiers) {
    // The keypad flag and AltGr-free Meta do not change a command's meaning.
    const Qt::KeyboardModifiers mods = modifiers & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
    using C = ClipboardPanelKeyCommand;
    const bool none = mods == Qt::NoModifier;
    const bool ctrl = mods == Qt::ControlModifier;
    const bool shift = mods == Qt::ShiftModifier;
    const bool ctrlShift = mods == (Qt::ControlModifier | Qt::ShiftModifier);
    switch (key) {
    case Qt::Key_Escape:
        if (none) return C::dismissOrCloseCompletion;
        break;
    case Qt::Key_Tab:
        if (none) return C::acceptGhostCompletion;
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (none || ctrl) return C::copy;
        if (shift) return C::copyPlainText;
        break;
    case Qt::Key_Down:
        if (none) return C::selectNext;
        break;
    case Qt::Key_Up:
        if (none) return C::selectPrevious;
        break;
    case Qt::Key_PageDown:
        if (none) return C::pageDown;
        break;
    case Qt::Key_PageUp:
        if (none) return C::pageUp;
        break;
    case Qt::Key_N:
        if (ctrl) return C::selectNext;
        break;
    case Qt::Key_P:
        if (ctrl) return C::selectPrevious;
        if (ctrlShift) return C::pin;
        break;
    case Qt::Key_C:
        if (ctrl) return C::copyFieldSelectionOrFormatted;
        break;
    case Qt::Key_S:
        if (ctrl) return C::save;
        break;
    case Qt::Key_O:
        if (ctrl) return C::openWithDefaultApp;
        break;
    case Qt::Key_K:
        if (ctrl) return C::openActionsMenu;
        break;
    case Qt::Key_Menu:
        if (none) return C::openActionsMenu;
        break;
    case Qt::Key_F10:
        if (shift) return C::openActionsMenu;
        break;
    case Qt::Key_F:
        if (ctrl) return C::toggleFormatting;
        break;
    case Qt::Key_Delete:
        if (ctrl) return C::deleteItem;
        break;
    case Qt::Key_W:
    case Qt::Key_H:
    case Qt::Key_Comma:
        if (ctrl) return C::dismiss;
        break;
    default:
        break;
    }
    return std::nullopt;
}

} // namespace quellpad
