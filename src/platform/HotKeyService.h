// System-wide shortcuts: grabbing a key combination for this application alone.
#pragma once

#include <cstdint>
#include <functional>

#include <QString>

namespace quellpad {

// The portable form of a shortcut, as the settings store it: a virtual key code of the
// ANSI (US) layout and the modifier flag bits Control 0x40000, Option 0x80000,
// Shift 0x20000, Command 0x100000. Backends map them to their own keys
// (on X11: Command is Super, Option is Alt).
struct HotKeyChord {
    std::uint16_t keyCode = 0;
    std::uint64_t modifierFlags = 0;
};

// The outcome of a grab: status 0 is success; anything else is the platform's error
// code (on X11 BadAccess when another client holds the combination), with a description.
struct HotKeyRegistrationStatus {
    int status = 0;
    QString description;
    bool succeeded() const { return status == 0; }
};

class HotKeyService {
public:
    virtual ~HotKeyService() = default;

    // Grabs chord under id. A chord the backend cannot express fails with a status.
    virtual HotKeyRegistrationStatus registerHotKey(std::uint32_t id, HotKeyChord chord) = 0;
    // Releases the grab of id; unknown ids are ignored.
    virtual void unregisterHotKey(std::uint32_t id) = 0;
    // Called on the main thread with the id of each press, with the press's timestamp
    // (the window system's time in milliseconds; 0 when unknown).
    virtual void setPressHandler(std::function<void(std::uint32_t id, std::uint32_t timestamp)> handler) = 0;
};

} // namespace quellpad
