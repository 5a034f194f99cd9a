// The paste keystroke on X11 through XTest, which the server treats like the real
// keyboard, on a connection of our own.
#pragma once

#include <memory>

#include <QByteArray>
#include <QString>

#include "platform/KeySynthesizer.h"

typedef struct _XDisplay Display;

namespace quellpad {

class X11KeySynthesizer final : public KeySynthesizer {
public:
    // nullptr, with the reason in error, when the display cannot be opened. A server
    // without XTest still opens; every keystroke then fails.
    static std::unique_ptr<X11KeySynthesizer> open(QString* error = nullptr, const QByteArray& displayName = {});
    ~X11KeySynthesizer() override;

    bool postPasteKeystroke(PasteKeystroke keystroke) override;

    bool hasXTest() const { return hasXTest_; }

private:
    X11KeySynthesizer(Display* display, bool hasXTest);
    void releaseHeldModifiers();

    Display* display_;
    bool hasXTest_;
};

} // namespace quellpad
