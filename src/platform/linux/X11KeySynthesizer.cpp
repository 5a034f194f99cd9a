#include "platform/linux/X11KeySynthesizer.h"

#include <set>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include "Core/Utilities/Logger.h"
#include "platform/linux/X11Support.h"

namespace quellpad {

namespace {

const QString category = QStringLiteral("AccessibilityPermissionManager");

// Keys whose being held would turn Ctrl+V into another shortcut.
constexpr KeySym modifierKeysyms[] = {
    XK_Shift_L, XK_Shift_R, XK_Control_L, XK_Control_R, XK_Alt_L,  XK_Alt_R,
    XK_Super_L, XK_Super_R, XK_Meta_L,    XK_Meta_R,    XK_ISO_Level3_Shift, XK_Mode_switch,
};

bool isDown(const char keys[32], KeyCode keycode) { return (keys[keycode / 8] >> (keycode % 8)) & 1; }

} // namespace

std::unique_ptr<X11KeySynthesizer> X11KeySynthesizer::open(QString* error, const QByteArray& displayName) {
    X11Support::installErrorHandler();
    Display* display = XOpenDisplay(displayName.isEmpty() ? nullptr : displayName.constData());
    if (display == nullptr) {
        if (error != nullptr) {
            *error = QStringLiteral("Cannot open the X display");
        }
        return nullptr;
    }
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    const bool hasXTest = XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor);
    if (!hasXTest) {
        Logger::warning(QStringLiteral("The X server has no XTest extension; the paste keystroke cannot be sent"), category);
    }
    return std::unique_ptr<X11KeySynthesizer>(new X11KeySynthesizer(display, hasXTest));
}

X11KeySynthesizer::X11KeySynthesizer(Display* display, bool hasXTest) : display_(display), hasXTest_(hasXTest) {}

X11KeySynthesizer::~X11KeySynthesizer() { XCloseDisplay(display_); }

void X11KeySynthesizer::releaseHeldModifiers() {
    // Every key carrying a modifier keysym in any of its first two columns: a keymap
    // may put Super_L on more than one key.
    int minKeycode = 0;
    int maxKeycode = 0;
    XDisplayKeycodes(display_, &minKeycode, &maxKeycode);
    int perKeycode = 0;
    KeySym* map = XGetKeyboardMapping(display_, KeyCode(minKeycode), maxKeycode - minKeycode + 1, &perKeycode);
    if (map == nullptr) {
        return;
    }
    const std::set<KeySym> wanted(std::begin(modifierKeysyms), std::end(modifierKeysyms));
    char keys[32] = {};
    XQueryKeymap(display_, keys);
    for (int keycode = minKeycode; keycode <= maxKeycode; ++keycode) {
        const KeySym* syms = map + (keycode - minKeycode) * perKeycode;
        const bool isModifier = wanted.count(syms[0]) != 0 || (perKeycode > 1 && wanted.count(syms[1]) != 0);
        if (isModifier && isDown(keys, KeyCode(keycode))) {
            XTestFakeKeyEvent(display_, unsigned(keycode), False, CurrentTime);
        }
    }
    XFree(map);
}

bool X11KeySynthesizer::postPasteKeystroke(PasteKeystroke keystroke) {
    if (!hasXTest_) {
        return false;
    }
    const KeyCode control = XKeysymToKeycode(display_, XK_Control_L);
    const KeyCode shift = XKeysymToKeycode(display_, XK_Shift_L);
    const KeyCode v = XKeysymToKeycode(display_, XK_v);
    const bool withShift = keystroke == PasteKeystroke::controlShiftV;
    if (control == 0 || v == 0 || (withShift && shift == 0)) {
        Logger::error(QStringLiteral("The keyboard map has no key for the paste keystroke"), category);
        return false;
    }
    X11Support::ErrorTrap trap(display_);
    releaseHeldModifiers();
    XTestFakeKeyEvent(display_, control, True, CurrentTime);
    if (withShift) XTestFakeKeyEvent(display_, shift, True, CurrentTime);
    XTestFakeKeyEvent(display_, v, True, CurrentTime);
    XTestFakeKeyEvent(display_, v, False, CurrentTime);
    if (withShift) XTestFakeKeyEvent(display_, shift, False, CurrentTime);
    XTestFakeKeyEvent(display_, control, False, CurrentTime);
    if (const int code = trap.sync(); code != 0) {
        Logger::error(QStringLiteral("The paste keystroke failed: ") + X11Support::errorText(display_, code), category);
        return false;
    }
    return true;
}

} // namespace quellpad
