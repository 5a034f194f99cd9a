// The paste keystroke in a Wayland session through a virtual keyboard
// (zwp_virtual_keyboard_v1, offered by wlroots compositors), on a connection of our own.
// The compositor treats it as one more keyboard of the seat: its modifier state is its
// own, so keys the user still holds on the real keyboard do not mix in. Each keystroke
// first checks the connection and, when the compositor went away, connects again to the
// same socket.
//
// KDE Plasma has KWinFakeInputKeySynthesizer instead; the RemoteDesktop portal (libei)
// would be GNOME's, and is not built yet.
#pragma once

#include <memory>

#include <QByteArray>
#include <QString>

#include "platform/KeySynthesizer.h"

namespace quellpad {

class WaylandKeySynthesizer final : public KeySynthesizer {
public:
    // nullptr, with the reason in error, when no compositor answers at socket (empty:
    // $WAYLAND_DISPLAY), it offers no virtual keyboard, or the keymap cannot be built.
    static std::unique_ptr<WaylandKeySynthesizer> open(QString* error = nullptr, const QByteArray& socket = {});
    ~WaylandKeySynthesizer() override;

    bool postPasteKeystroke(PasteKeystroke keystroke) override;

private:
    struct State;
    WaylandKeySynthesizer(std::unique_ptr<State> state, QByteArray socket);
    static std::unique_ptr<State> connect(const QByteArray& socket, QString& reason);

    const QByteArray socket_;
    std::unique_ptr<State> state_;
};

} // namespace quellpad
