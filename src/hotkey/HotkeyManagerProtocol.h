// Registration of system-wide shortcuts that run an action on the main thread.
#pragma once

#include <functional>

#include "hotkey/KeyCombo.h"

namespace quellpad {

class HotkeyManagerProtocol {
public:
    virtual ~HotkeyManagerProtocol() = default;

    // False when the combination is refused or the platform will not grab it (logged).
    virtual bool registerHotkey(const KeyCombo& combo, std::function<void()> action) = 0;
    virtual void unregisterHotkey(const KeyCombo& combo) = 0;
    virtual void unregisterAll() = 0;
    virtual bool isRegistered(const KeyCombo& combo) const = 0;
};

} // namespace quellpad
