#include "pin/PinWindowKeyMap.h"

namespace quellpad {

std::optional<PinWindowKeyCommand> pinWindowKeyCommand(int key, Qt::KeyboardModifiers modifiers, bool imageWindow) {
    // The keypad flag comes with some keys on some layouts and changes nothing here.
    const Qt::KeyboardModifiers held = modifiers & ~Qt::KeypadModifier;
    if (key == Qt::Key_Escape && held == Qt::NoModifier) return PinWindowKeyCommand::close;
    if (!held.testFlag(Qt::ControlModifier) || held.testFlag(Qt::AltModifier) || held.testFlag(Qt::MetaModifier)) {
        return std::nullopt;
    }
    const bool shift = held.testFlag(Qt::ShiftModifier);
    const auto textOnly = [imageWindow](PinWindowKeyCommand command) {
        return imageWindow ? PinWindowKeyCommand::ignore : command;
    };
    switch (key) {
    case Qt::Key_W: return PinWindowKeyCommand::close;
    case Qt::Key_S: return PinWindowKeyCommand::save;
    case Qt::Key_C: return PinWindowKeyCommand::copy;
    case Qt::Key_A: return textOnly(PinWindowKeyCommand::selectAll);
    case Qt::Key_V: return textOnly(PinWindowKeyCommand::paste);
    case Qt::Key_X: return textOnly(PinWindowKeyCommand::cut);
    case Qt::Key_Z:
        // Nothing to undo in an image: the key goes on like any other.
        if (imageWindow) return std::nullopt;
        return shift ? PinWindowKeyCommand::redo : PinWindowKeyCommand::undo;
    default: return std::nullopt;
    }
}

} // namespace quellpad
