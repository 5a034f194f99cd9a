// Synthetic key presses for pasting into another application.
#pragma once

namespace quellpad {

enum class PasteKeystroke {
    controlV,      // most applications
    controlShiftV, // terminal emulators, where Ctrl+V is a control character
};

class KeySynthesizer {
public:
    virtual ~KeySynthesizer() = default;

    // Releases modifiers the user still holds (the panel's shortcut is often still
    // down), then presses and releases the keystroke in the focused window. False when
    // the keystroke could not be posted.
    virtual bool postPasteKeystroke(PasteKeystroke keystroke) = 0;
};

} // namespace quellpad
