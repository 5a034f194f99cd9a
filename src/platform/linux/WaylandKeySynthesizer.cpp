#include "platform/linux/WaylandKeySynthesizer.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <sys/mman.h>
#include <thread>
#include <unistd.h>

#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <QElapsedTimer>

#include "Core/Utilities/Logger.h"
#include "platform/linux/WaylandClientConnection.h"
#include "virtual-keyboard-unstable-v1-client.h"

namespace quellpad {

namespace {

const QString category = QStringLiteral("WaylandKeySynthesizer");

// evdev key codes (the compositor adds 8 for xkb).
constexpr uint32_t keyLeftControl = 29;
constexpr uint32_t keyLeftShift = 42;
constexpr uint32_t keyV = 47;
constexpr uint32_t keymapFormatXkbV1 = 1;
constexpr qint64 newKeyboardSettleMs = 60;

uint32_t nowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return uint32_t(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}

} // namespace

struct WaylandKeySynthesizer::State {
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    wl_seat* seat = nullptr;
    zwp_virtual_keyboard_manager_v1* manager = nullptr;
    zwp_virtual_keyboard_v1* keyboard = nullptr;
    uint32_t controlMask = 0;
    uint32_t shiftMask = 0;
    QElapsedTimer age; // since the keyboard was announced

    ~State() {
        if (keyboard) zwp_virtual_keyboard_v1_destroy(keyboard);
        if (manager) zwp_virtual_keyboard_manager_v1_destroy(manager);
        if (seat) wl_seat_destroy(seat);
        if (registry) wl_registry_destroy(registry);
        if (display) wl_display_disconnect(display);
    }

    static void global(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
        auto* state = static_cast<State*>(data);
        if (std::strcmp(interface, wl_seat_interface.name) == 0 && !state->seat) {
            state->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
        } else if (std::strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name) == 0 && !state->manager) {
            state->manager = static_cast<zwp_virtual_keyboard_manager_v1*>(
                wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
        }
    }
    static void globalRemove(void*, wl_registry*, uint32_t) {}

    // The US layout the key codes above mean, handed over in a sealed memory file.
    bool sendKeymap(QString* error) {
        xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
        if (!context) {
            *error = QStringLiteral("libxkbcommon could not start");
            return false;
        }
        const xkb_rule_names names{nullptr, nullptr, "us", nullptr, nullptr};
        xkb_keymap* keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
        xkb_context_unref(context);
        if (!keymap) {
            *error = QStringLiteral("no xkb keymap for the us layout");
            return false;
        }
        controlMask = 1u << xkb_keymap_mod_get_index(keymap, XKB_MOD_NAME_CTRL);
        shiftMask = 1u << xkb_keymap_mod_get_index(keymap, XKB_MOD_NAME_SHIFT);
        char* text = xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1);
        xkb_keymap_unref(keymap);
        if (!text) {
            *error = QStringLiteral("the xkb keymap could not be written out");
            return false;
        }
        const size_t size = std::strlen(text) + 1;
        const int fd = memfd_create("quellpad-keymap", MFD_CLOEXEC);
        bool written = fd >= 0 && ftruncate(fd, off_t(size)) == 0;
        size_t offset = 0;
        while (written && offset < size) {
            const ssize_t n = ::write(fd, text + offset, size - offset);
            if (n <= 0) written = false;
            else offset += size_t(n);
        }
        std::free(text);
        if (!written) {
            if (fd >= 0) ::close(fd);
            *error = QStringLiteral("the keymap file could not be written: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
        zwp_virtual_keyboard_v1_keymap(keyboard, keymapFormatXkbV1, fd, uint32_t(size));
        ::close(fd);
        return true;
    }
};

std::unique_ptr<WaylandKeySynthesizer::State> WaylandKeySynthesizer::connect(const QByteArray& socket,
                                                                             QString& reason) {
    auto state = std::make_unique<State>();
    if (!WaylandClientConnection::connectAndReadGlobals(*state, socket, 1, reason)) {
        return nullptr;
    }
    if (!state->manager || !state->seat) {
        reason = QStringLiteral("the compositor offers no virtual keyboard (zwp_virtual_keyboard_manager_v1)");
        return nullptr;
    }
    state->keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(state->manager, state->seat);
    if (!state->sendKeymap(&reason)) {
        return nullptr;
    }
    // A compositor that refuses us (unauthorized) says so by ending the connection.
    if (wl_display_roundtrip(state->display) < 0) {
        reason = QStringLiteral("the compositor refused the virtual keyboard (error %1)")
                     .arg(wl_display_get_error(state->display));
        return nullptr;
    }
    state->age.start();
    return state;
}

std::unique_ptr<WaylandKeySynthesizer> WaylandKeySynthesizer::open(QString* error, const QByteArray& socket) {
    QString ignored;
    std::unique_ptr<State> state = connect(socket, error ? *error : ignored);
    if (!state) {
        return nullptr;
    }
    return std::unique_ptr<WaylandKeySynthesizer>(new WaylandKeySynthesizer(std::move(state), socket));
}

WaylandKeySynthesizer::WaylandKeySynthesizer(std::unique_ptr<State> state, QByteArray socket)
    : socket_(std::move(socket)), state_(std::move(state)) {}

WaylandKeySynthesizer::~WaylandKeySynthesizer() = default;

bool WaylandKeySynthesizer::postPasteKeystroke(PasteKeystroke keystroke) {
    // A compositor back on the same socket gets a new virtual keyboard.
    if (!WaylandClientConnection::reconnectIfGone(
            state_, [this](QString& reason) { return connect(socket_, reason); }, QStringLiteral("virtual keyboard"),
            category)) {
        return false;
    }
    // Sway 1.7 drops the keys a virtual keyboard sends in its first moments while a window
    // has the focus (6 of 12 tries here; none after 20 ms). Only a keyboard made for this
    // keystroke, after a reconnect, is that young, so only then is this a wait.
    if (const qint64 age = state_->age.elapsed(); age < newKeyboardSettleMs) {
        std::this_thread::sleep_for(std::chrono::milliseconds(newKeyboardSettleMs - age));
    }
    zwp_virtual_keyboard_v1* keyboard = state_->keyboard;
    const bool shift = keystroke == PasteKeystroke::controlShiftV;
    const uint32_t held = state_->controlMask | (shift ? state_->shiftMask : 0);
    const uint32_t time = nowMs();
    zwp_virtual_keyboard_v1_key(keyboard, time, keyLeftControl, WL_KEYBOARD_KEY_STATE_PRESSED);
    if (shift) zwp_virtual_keyboard_v1_key(keyboard, time, keyLeftShift, WL_KEYBOARD_KEY_STATE_PRESSED);
    zwp_virtual_keyboard_v1_modifiers(keyboard, held, 0, 0, 0);
    zwp_virtual_keyboard_v1_key(keyboard, time, keyV, WL_KEYBOARD_KEY_STATE_PRESSED);
    zwp_virtual_keyboard_v1_key(keyboard, time, keyV, WL_KEYBOARD_KEY_STATE_RELEASED);
    if (shift) zwp_virtual_keyboard_v1_key(keyboard, time, keyLeftShift, WL_KEYBOARD_KEY_STATE_RELEASED);
    zwp_virtual_keyboard_v1_key(keyboard, time, keyLeftControl, WL_KEYBOARD_KEY_STATE_RELEASED);
    zwp_virtual_keyboard_v1_modifiers(keyboard, 0, 0, 0, 0);
    // The round trip both sends the keys and tells whether the compositor is still there.
    if (wl_display_roundtrip(state_->display) < 0) {
        Logger::error(QStringLiteral("The Wayland compositor ended the virtual keyboard's connection (error %1)")
                          .arg(wl_display_get_error(state_->display)),
                      category);
        return false;
    }
    return true;
}

} // namespace quellpad
