#include "platform/linux/KWinFakeInputKeySynthesizer.h"

#include <algorithm>
#include <cstring>

#include <wayland-client.h>

#include "Core/Utilities/Logger.h"
#include "platform/linux/WaylandClientConnection.h"
#include "fake-input-client.h"

namespace quellpad {

namespace {

const QString category = QStringLiteral("KWinFakeInputKeySynthesizer");

// keyboard_key arrived in version 4.
constexpr uint32_t keyboardKeyVersion = 4;
// evdev key codes.
constexpr uint32_t keyLeftControl = 29;
constexpr uint32_t keyLeftShift = 42;
constexpr uint32_t keyV = 47;
constexpr uint32_t keyPressed = 1;
constexpr uint32_t keyReleased = 0;

} // namespace

struct KWinFakeInputKeySynthesizer::State {
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    org_kde_kwin_fake_input* fakeInput = nullptr;
    uint32_t fakeInputName = 0;
    uint32_t fakeInputVersion = 0;

    ~State() {
        if (fakeInput) org_kde_kwin_fake_input_destroy(fakeInput);
        if (registry) wl_registry_destroy(registry);
        if (display) wl_display_disconnect(display);
    }

    static void global(void* data, wl_registry*, uint32_t name, const char* interface, uint32_t version) {
        auto* state = static_cast<State*>(data);
        if (std::strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0 && state->fakeInputName == 0) {
            state->fakeInputName = name;
            state->fakeInputVersion = version;
        }
    }
    static void globalRemove(void*, wl_registry*, uint32_t) {}
};

std::unique_ptr<KWinFakeInputKeySynthesizer::State> KWinFakeInputKeySynthesizer::connect(const QByteArray& socket,
                                                                                          QString& reason) {
    auto state = std::make_unique<State>();
    if (!WaylandClientConnection::connectAndReadGlobals(*state, socket, 1, reason)) {
        return nullptr;
    }
    if (state->fakeInputName == 0) {
        reason = QStringLiteral("the compositor offers no fake input (org_kde_kwin_fake_input; KWin offers it only "
                                "to applications whose desktop entry lists it)");
        return nullptr;
    }
    if (state->fakeInputVersion < keyboardKeyVersion) {
        reason = QStringLiteral("the compositor's fake input is version %1, which cannot press keys (needs %2)")
                     .arg(state->fakeInputVersion)
                     .arg(keyboardKeyVersion);
        return nullptr;
    }
    state->fakeInput = static_cast<org_kde_kwin_fake_input*>(
        wl_registry_bind(state->registry, state->fakeInputName, &org_kde_kwin_fake_input_interface,
                         std::min(state->fakeInputVersion, keyboardKeyVersion)));
    // KWin drops the keys of a client that has not said who it is and why.
    org_kde_kwin_fake_input_authenticate(state->fakeInput, "Quellpad",
                                         "Pastes the chosen clipboard history item into the active window");
    if (wl_display_roundtrip(state->display) < 0) {
        reason = QStringLiteral("the compositor refused fake input (error %1)").arg(wl_display_get_error(state->display));
        return nullptr;
    }
    return state;
}

std::unique_ptr<KWinFakeInputKeySynthesizer> KWinFakeInputKeySynthesizer::open(QString* error,
                                                                                 const QByteArray& socket) {
    QString ignored;
    std::unique_ptr<State> state = connect(socket, error ? *error : ignored);
    if (!state) {
        return nullptr;
    }
    return std::unique_ptr<KWinFakeInputKeySynthesizer>(new KWinFakeInputKeySynthesizer(std::move(state), socket));
}

KWinFakeInputKeySynthesizer::KWinFakeInputKeySynthesizer(std::unique_ptr<State> state, QByteArray socket)
    : socket_(std::move(socket)), state_(std::move(state)) {}

KWinFakeInputKeySynthesizer::~KWinFakeInputKeySynthesizer() = default;

bool KWinFakeInputKeySynthesizer::postPasteKeystroke(PasteKeystroke keystroke) {
    // Checked before the keys, so no key is lost to a dead connection and none is sent twice.
    if (!WaylandClientConnection::reconnectIfGone(
            state_, [this](QString& reason) { return connect(socket_, reason); }, QStringLiteral("fake input"),
            category)) {
        return false;
    }
    org_kde_kwin_fake_input* fakeInput = state_->fakeInput;
    const bool shift = keystroke == PasteKeystroke::controlShiftV;
    org_kde_kwin_fake_input_keyboard_key(fakeInput, keyLeftControl, keyPressed);
    if (shift) org_kde_kwin_fake_input_keyboard_key(fakeInput, keyLeftShift, keyPressed);
    org_kde_kwin_fake_input_keyboard_key(fakeInput, keyV, keyPressed);
    org_kde_kwin_fake_input_keyboard_key(fakeInput, keyV, keyReleased);
    if (shift) org_kde_kwin_fake_input_keyboard_key(fakeInput, keyLeftShift, keyReleased);
    org_kde_kwin_fake_input_keyboard_key(fakeInput, keyLeftControl, keyReleased);
    // The round trip both sends the keys and tells whether the compositor is still there.
    if (wl_display_roundtrip(state_->display) < 0) {
        Logger::error(QStringLiteral("The Wayland compositor ended the fake input connection (error %1)")
                          .arg(wl_display_get_error(state_->display)),
                      category);
        return false;
    }
    return true;
}

} // namespace quellpad
