// System-wide shortcuts on X11: a passive key grab (XGrabKey) on the root window for
// each chord, also with CapsLock and NumLock on, on a connection of our own. Presses
// arrive through that connection's socket, read on the main thread. Every grab is
// released when the service is destroyed (and by the server if the process dies).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QString>

#include "platform/HotKeyService.h"

typedef struct _XDisplay Display;
class QSocketNotifier;

namespace quellpad {

class X11HotKeyService final : public HotKeyService {
public:
    // Statuses of refusals that are not X errors.
    static constexpr int unmappedKeyStatus = -1;   // the key code has no X key
    static constexpr int duplicateChordStatus = -2; // another id holds the same chord here

    // The keysym of a portable (ANSI virtual) key code; nullopt for codes without one.
    static std::optional<unsigned long> keysymForKeyCode(std::uint16_t keyCode);
    // The X modifier mask of the portable flags: Control, Option as Mod1 (Alt), Shift,
    // Command as Mod4 (Super); other bits are ignored.
    static unsigned int modifierMaskForFlags(std::uint64_t modifierFlags);

    // nullptr, with the reason in error, when the display cannot be opened. Call on the
    // thread running the application's event loop (presses are read there).
    static std::unique_ptr<X11HotKeyService> open(QString* error = nullptr, const QByteArray& displayName = {});
    ~X11HotKeyService() override;

    HotKeyRegistrationStatus registerHotKey(std::uint32_t id, HotKeyChord chord) override;
    void unregisterHotKey(std::uint32_t id) override;
    void setPressHandler(std::function<void(std::uint32_t id, std::uint32_t timestamp)> handler) override;

private:
    struct Grab {
        unsigned int keycode = 0;
        unsigned int modifiers = 0; // without the lock modifiers
    };

    explicit X11HotKeyService(Display* display);
    std::vector<unsigned int> lockVariants() const;
    HotKeyRegistrationStatus grab(Grab grab);
    void ungrab(Grab grab);
    void readEvents();

    Display* display_;
    unsigned int numLockMask_ = 0;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::map<std::uint32_t, Grab> grabs_;
    std::function<void(std::uint32_t, std::uint32_t)> handler_;
    // The key of the last press until its release, so auto-repeat fires once.
    unsigned int heldKeycode_ = 0;
};

} // namespace quellpad
