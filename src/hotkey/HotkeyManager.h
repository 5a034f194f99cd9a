// Keeps the table of registered shortcuts over the platform's hot-key service and runs
// a shortcut's action when it is pressed. The list of registered combinations is
// saved under "RegisteredHotkeys" (written only, for diagnostics).
#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include <QString>

#include "hotkey/HotkeyManagerProtocol.h"

namespace quellpad {

class DefaultsStore;
class HotKeyService;

class HotkeyManager final : public HotkeyManagerProtocol {
public:
    HotkeyManager(HotKeyService& service, DefaultsStore& defaults);
    ~HotkeyManager() override;

    bool registerHotkey(const KeyCombo& combo, std::function<void()> action) override;
    void unregisterHotkey(const KeyCombo& combo) override;
    void unregisterAll() override;
    bool isRegistered(const KeyCombo& combo) const override;

    // The identifier of a registered combination (grows with every registration).
    std::optional<std::uint32_t> identifierOf(const KeyCombo& combo) const;

private:
    struct HotkeyInfo {
        std::uint32_t platformId; // what the service knows the grab by
        std::function<void()> action;
        std::uint32_t id;
    };
    struct ComboOrder {
        bool operator()(const KeyCombo& a, const KeyCombo& b) const {
            return std::pair(a.keyCode, a.modifierFlags) < std::pair(b.keyCode, b.modifierFlags);
        }
    };

    void handlePress(std::uint32_t platformId);
    void save();

    HotKeyService& service_;
    DefaultsStore& defaults_;
    std::map<KeyCombo, HotkeyInfo, ComboOrder> registeredHotkeys_;
    std::uint32_t nextHotkeyID_ = 1;
    // Presses queued to the main thread check this, so a press after destruction is dropped.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace quellpad
