// The other side of the pasteboard contract: a display server or compositor, another
// client copying and pasting through it, and the backend under test opened there.
#pragma once

#include <memory>

#include <QByteArray>
#include <QString>

#include "platform/Pasteboard.h"

namespace quellpad::test {

class ClipboardPeer {
public:
    virtual ~ClipboardPeer() = default;
    virtual std::unique_ptr<Pasteboard> openPasteboard(QString* error) = 0;
    // A missing or "text/plain" type means plain UTF-8 text.
    virtual bool copy(const QByteArray& bytes, const QString& type = {}) = 0;
    virtual QByteArray paste(const QString& type = {}) = 0;
    // Takes the selection with text it never delivers, as a hung application would.
    virtual bool takeSelectionSilently() = 0;
    // A Wayland offer lists its types; on X11 they are the owner's answer to TARGETS.
    virtual bool offersTypesUpFront() const = 0;
};

// nullptr, with what is missing on this machine (the test is then skipped).
std::unique_ptr<ClipboardPeer> makeX11Peer(QString* missing);
std::unique_ptr<ClipboardPeer> makeSwayPeer(QString* missing);
// The in-process compositor offering ext-data-control only; nullptr when it cannot start.
std::unique_ptr<ClipboardPeer> makeInProcessExtPeer(QString* error);

} // namespace quellpad::test
