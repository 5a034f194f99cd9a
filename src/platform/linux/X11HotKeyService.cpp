#include "platform/linux/X11HotKeyService.h"

#include <array>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QThread>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include "platform/linux/X11Support.h"

namespace quellpad {

namespace {

constexpr std::uint64_t controlFlag = 0x40000;
constexpr std::uint64_t optionFlag = 0x80000;
constexpr std::uint64_t shiftFlag = 0x20000;
constexpr std::uint64_t commandFlag = 0x100000;

// The modifiers a chord is made of; the lock modifiers are grabbed as variants.
constexpr unsigned int chordModifiers = ControlMask | Mod1Mask | ShiftMask | Mod4Mask;

struct KeyCodeKeysym {
    std::uint16_t keyCode;
    KeySym keysym;
};

// ANSI (US) virtual key codes and the unshifted keysym of the same key.
constexpr std::array keyTable{
    KeyCodeKeysym{0, XK_a},          KeyCodeKeysym{1, XK_s},          KeyCodeKeysym{2, XK_d},
    KeyCodeKeysym{3, XK_f},          KeyCodeKeysym{4, XK_h},          KeyCodeKeysym{5, XK_g},
    KeyCodeKeysym{6, XK_z},          KeyCodeKeysym{7, XK_x},          KeyCodeKeysym{8, XK_c},
    KeyCodeKeysym{9, XK_v},          KeyCodeKeysym{11, XK_b},         KeyCodeKeysym{12, XK_q},
    KeyCodeKeysym{13, XK_w},         KeyCodeKeysym{14, XK_e},         KeyCodeKeysym{15, XK_r},
    KeyCodeKeysym{16, XK_y},         KeyCodeKeysym{17, XK_t},         KeyCodeKeysym{18, XK_1},
    KeyCodeKeysym{19, XK_2},         KeyCodeKeysym{20, XK_3},         KeyCodeKeysym{21, XK_4},
    KeyCodeKeysym{22, XK_6},         KeyCodeKeysym{23, XK_5},         KeyCodeKeysym{24, XK_equal},
    KeyCodeKeysym{25, XK_9},         KeyCodeKeysym{26, XK_7},         KeyCodeKeysym{27, XK_minus},
    KeyCodeKeysym{28, XK_8},         KeyCodeKeysym{29, XK_0},         KeyCodeKeysym{30, XK_bracketright},
    KeyCodeKeysym{31, XK_o},         KeyCodeKeysym{32, XK_u},         KeyCodeKeysym{33, XK_bracketleft},
    KeyCodeKeysym{34, XK_i},         KeyCodeKeysym{35, XK_p},         KeyCodeKeysym{36, XK_Return},
    KeyCodeKeysym{37, XK_l},         KeyCodeKeysym{38, XK_j},         KeyCodeKeysym{39, XK_apostrophe},
    KeyCodeKeysym{40, XK_k},         KeyCodeKeysym{41, XK_semicolon}, KeyCodeKeysym{42, XK_backslash},
    KeyCodeKeysym{43, XK_comma},     KeyCodeKeysym{44, XK_slash},     KeyCodeKeysym{45, XK_n},
    KeyCodeKeysym{46, XK_m},         KeyCodeKeysym{47, XK_period},    KeyCodeKeysym{48, XK_Tab},
    KeyCodeKeysym{49, XK_space},     KeyCodeKeysym{50, XK_grave},     KeyCodeKeysym{51, XK_BackSpace},
    KeyCodeKeysym{53, XK_Escape},    KeyCodeKeysym{96, XK_F5},        KeyCodeKeysym{97, XK_F6},
    KeyCodeKeysym{98, XK_F7},        KeyCodeKeysym{99, XK_F3},        KeyCodeKeysym{100, XK_F8},
    KeyCodeKeysym{101, XK_F9},       KeyCodeKeysym{103, XK_F11},      KeyCodeKeysym{109, XK_F10},
    KeyCodeKeysym{111, XK_F12},      KeyCodeKeysym{115, XK_Home},     KeyCodeKeysym{116, XK_Page_Up},
    KeyCodeKeysym{117, XK_Delete},   KeyCodeKeysym{118, XK_F4},       KeyCodeKeysym{119, XK_End},
    KeyCodeKeysym{120, XK_F2},       KeyCodeKeysym{121, XK_Page_Down}, KeyCodeKeysym{122, XK_F1},
    KeyCodeKeysym{123, XK_Left},     KeyCodeKeysym{124, XK_Right},    KeyCodeKeysym{125, XK_Down},
    KeyCodeKeysym{126, XK_Up},
};

// The modifier bit NumLock sits on in this keymap (usually Mod2); 0 without NumLock.
unsigned int numLockMask(Display* display) {
    const KeyCode numLock = XKeysymToKeycode(display, XK_Num_Lock);
    if (numLock == 0) {
        return 0;
    }
    XModifierKeymap* map = XGetModifierMapping(display);
    unsigned int mask = 0;
    for (int modifier = 0; modifier < 8 && mask == 0; ++modifier) {
        for (int i = 0; i < map->max_keypermod; ++i) {
            if (map->modifiermap[modifier * map->max_keypermod + i] == numLock) {
                mask = 1u << modifier;
                break;
            }
        }
    }
    XFreeModifiermap(map);
    return mask;
}

} // namespace

std::optional<unsigned long> X11HotKeyService::keysymForKeyCode(std::uint16_t keyCode) {
    for (const KeyCodeKeysym& entry : keyTable) {
        if (entry.keyCode == keyCode) {
            return entry.keysym;
        }
    }
    return std::nullopt;
}

unsigned int X11HotKeyService::modifierMaskForFlags(std::uint64_t modifierFlags) {
    unsigned int mask = 0;
    if (modifierFlags & controlFlag) mask |= ControlMask;
    if (modifierFlags & optionFlag) mask |= Mod1Mask;
    if (modifierFlags & shiftFlag) mask |= ShiftMask;
    if (modifierFlags & commandFlag) mask |= Mod4Mask;
    return mask;
}

std::unique_ptr<X11HotKeyService> X11HotKeyService::open(QString* error, const QByteArray& displayName) {
    auto fail = [error](const QString& reason) -> std::unique_ptr<X11HotKeyService> {
        if (error != nullptr) {
            *error = reason;
        }
        return nullptr;
    };
    if (QCoreApplication::instance() == nullptr || QThread::currentThread() != QCoreApplication::instance()->thread()) {
        return fail(QStringLiteral("Hot keys must be set up on the thread of the application's event loop"));
    }
    X11Support::installErrorHandler();
    Display* display = XOpenDisplay(displayName.isEmpty() ? nullptr : displayName.constData());
    if (display == nullptr) {
        return fail(QStringLiteral("Cannot open the X display"));
    }
    return std::unique_ptr<X11HotKeyService>(new X11HotKeyService(display));
}

X11HotKeyService::X11HotKeyService(Display* display) : display_(display), numLockMask_(numLockMask(display)) {
    // Without this, a held shortcut repeats as release+press pairs and toggles the panel
    // over and over.
    Bool supported = False;
    XkbSetDetectableAutoRepeat(display_, True, &supported);
    notifier_ = std::make_unique<QSocketNotifier>(ConnectionNumber(display_), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] { readEvents(); });
}

X11HotKeyService::~X11HotKeyService() {
    notifier_.reset();
    for (const auto& [id, grabbed] : grabs_) {
        ungrab(grabbed);
    }
    XSync(display_, False);
    XCloseDisplay(display_);
}

std::vector<unsigned int> X11HotKeyService::lockVariants() const {
    std::vector<unsigned int> variants{0, LockMask};
    if (numLockMask_ != 0) {
        variants.push_back(numLockMask_);
        variants.push_back(numLockMask_ | LockMask);
    }
    return variants;
}

HotKeyRegistrationStatus X11HotKeyService::grab(Grab wanted) {
    const Window root = DefaultRootWindow(display_);
    X11Support::ErrorTrap trap(display_);
    std::vector<unsigned int> done;
    for (const unsigned int variant : lockVariants()) {
        XGrabKey(display_, int(wanted.keycode), wanted.modifiers | variant, root, False, GrabModeAsync, GrabModeAsync);
        if (const int code = trap.sync(); code != 0) {
            // All variants or none: a half-grabbed chord would fire only with some locks on.
            for (const unsigned int grabbed : done) {
                XUngrabKey(display_, int(wanted.keycode), wanted.modifiers | grabbed, root);
            }
            trap.sync();
            return {code, X11Support::errorText(display_, code)};
        }
        done.push_back(variant);
    }
    return {};
}

void X11HotKeyService::ungrab(Grab grabbed) {
    const Window root = DefaultRootWindow(display_);
    for (const unsigned int variant : lockVariants()) {
        XUngrabKey(display_, int(grabbed.keycode), grabbed.modifiers | variant, root);
    }
}

HotKeyRegistrationStatus X11HotKeyService::registerHotKey(std::uint32_t id, HotKeyChord chord) {
    const std::optional<unsigned long> keysym = keysymForKeyCode(chord.keyCode);
    if (!keysym) {
        return {unmappedKeyStatus, QStringLiteral("key code %1 has no X11 key").arg(chord.keyCode)};
    }
    const KeyCode keycode = XKeysymToKeycode(display_, *keysym);
    if (keycode == 0) {
        return {unmappedKeyStatus, QStringLiteral("the keyboard has no key for key code %1").arg(chord.keyCode)};
    }
    const Grab wanted{keycode, modifierMaskForFlags(chord.modifierFlags)};
    const auto existing = grabs_.find(id);
    for (const auto& [otherId, grabbed] : grabs_) {
        if (otherId != id && grabbed.keycode == wanted.keycode && grabbed.modifiers == wanted.modifiers) {
            // One grab per chord in the server: two ids would share it and release it together.
            return {duplicateChordStatus, QStringLiteral("the combination is already registered under id %1").arg(otherId)};
        }
    }
    if (existing != grabs_.end() && existing->second.keycode == wanted.keycode &&
        existing->second.modifiers == wanted.modifiers) {
        return {};
    }
    // The new grab first, so that a refused one leaves the old registration working.
    HotKeyRegistrationStatus status = grab(wanted);
    if (status.succeeded()) {
        if (existing != grabs_.end()) {
            ungrab(existing->second);
        }
        grabs_[id] = wanted;
    }
    XSync(display_, False);
    // XSync may have queued events without the socket becoming readable again.
    QMetaObject::invokeMethod(notifier_.get(), [this] { readEvents(); }, Qt::QueuedConnection);
    return status;
}

void X11HotKeyService::unregisterHotKey(std::uint32_t id) {
    const auto it = grabs_.find(id);
    if (it == grabs_.end()) {
        return;
    }
    ungrab(it->second);
    grabs_.erase(it);
    XSync(display_, False);
    QMetaObject::invokeMethod(notifier_.get(), [this] { readEvents(); }, Qt::QueuedConnection);
}

void X11HotKeyService::setPressHandler(std::function<void(std::uint32_t, std::uint32_t)> handler) {
    handler_ = std::move(handler);
}

void X11HotKeyService::readEvents() {
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        if (event.type == KeyRelease) {
            if (event.xkey.keycode == heldKeycode_) {
                heldKeycode_ = 0;
            }
            continue;
        }
        if (event.type != KeyPress || event.xkey.keycode == heldKeycode_) {
            continue;
        }
        heldKeycode_ = event.xkey.keycode;
        const unsigned int modifiers = event.xkey.state & chordModifiers;
        std::optional<std::uint32_t> pressed;
        for (const auto& [id, grabbed] : grabs_) {
            if (grabbed.keycode == event.xkey.keycode && grabbed.modifiers == modifiers) {
                pressed = id;
                break;
            }
        }
        // The handler may register or unregister, so it runs outside the loop.
        if (pressed && handler_) {
            handler_(*pressed, std::uint32_t(event.xkey.time));
        }
    }
}

} // namespace quellpad
