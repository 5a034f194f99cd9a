// The paste keystroke in a KDE Plasma session through KWin's fake input
// (org_kde_kwin_fake_input, version 4 or later for keyboard keys), on a connection of our
// own. KWin offers the interface only to clients whose installed desktop entry lists it in
// X-KDE-Wayland-Interfaces, and ignores a client that has not authenticated, which open()
// does. The keys join KWin's one keyboard state, so modifiers the user still holds on the
// real keyboard apply to them too. Each keystroke first checks the connection and, when
// the compositor went away, connects again to the same socket.
#pragma once

#include <memory>

#include <QByteArray>
#include <QString>

#include "platform/KeySynthesizer.h"

namespace quellpad {

class KWinFakeInputKeySynthesizer final : public KeySynthesizer {
public:
    // nullptr, with the reason in error, when no compositor answers at socket (empty:
    // $WAYLAND_DISPLAY) or it grants no fake input that can press keys.
    static std::unique_ptr<KWinFakeInputKeySynthesizer> open(QString* error = nullptr, const QByteArray& socket = {});
    ~KWinFakeInputKeySynthesizer() override;

    bool postPasteKeystroke(PasteKeystroke keystroke) override;

private:
    struct State;
    KWinFakeInputKeySynthesizer(std::unique_ptr<State> state, QByteArray socket);
    static std::unique_ptr<State> connect(const QByteArray& socket, QString& reason);

    const QByteArray socket_;
    std::unique_ptr<State> state_;
};

} // namespace quellpad
