#include "hotkey/HotkeyManager.h"

#include <nlohmann/json.hpp>

#include "Core/Utilities/Logger.h"
#include "Core/Utilities/MainThread.h"
#include "platform/DefaultsStore.h"
#include "platform/HotKeyService.h"
#include "settings/PreferenceKeys.h"

namespace quellpad {

namespace {
const QString logCategory = QStringLiteral("HotkeyManager");
}

HotkeyManager::HotkeyManager(HotKeyService& service, DefaultsStore& defaults) : service_(service), defaults_(defaults) {
    service_.setPressHandler([this, alive = std::weak_ptr<bool>(alive_)](std::uint32_t platformId, std::uint32_t) {
        // The action runs on a later turn of the main loop, never inside the platform's callback.
        MainThread::post([this, alive, platformId] {
            if (alive.lock()) handlePress(platformId);
        });
    });
}

HotkeyManager::~HotkeyManager() {
    service_.setPressHandler({});
    for (const auto& entry : registeredHotkeys_) {
        service_.unregisterHotKey(entry.second.platformId);
    }
}

bool HotkeyManager::registerHotkey(const KeyCombo& combo, std::function<void()> action) {
    if (refusalOf(combo)) {
        return false;
    }
    const std::uint32_t id = nextHotkeyID_++;
    const auto existing = registeredHotkeys_.find(combo);
    if (existing != registeredHotkeys_.end()) {
        // Already grabbed by us: keep the grab and replace the action, so the shortcut
        // never stops working in between.
        existing->second.action = std::move(action);
        existing->second.id = id;
        save();
        return true;
    }
    const HotKeyRegistrationStatus status = service_.registerHotKey(id, combo.chord());
    if (!status.succeeded()) {
        Logger::error(QStringLiteral("Failed to register hotkey ") + combo.displayText() + QStringLiteral(": ") +
                          QString::number(status.status),
                      logCategory);
        if (!status.description.isEmpty()) {
            Logger::info(combo.desktopText() + QStringLiteral(": ") + status.description, logCategory);
        }
        return false;
    }
    registeredHotkeys_[combo] = HotkeyInfo{id, std::move(action), id};
    save();
    return true;
}

void HotkeyManager::unregisterHotkey(const KeyCombo& combo) {
    const auto found = registeredHotkeys_.find(combo);
    if (found == registeredHotkeys_.end()) return;
    service_.unregisterHotKey(found->second.platformId);
    registeredHotkeys_.erase(found);
    save();
}

void HotkeyManager::unregisterAll() {
    for (const auto& entry : registeredHotkeys_) {
        service_.unregisterHotKey(entry.second.platformId);
    }
    registeredHotkeys_.clear();
    save();
}

bool HotkeyManager::isRegistered(const KeyCombo& combo) const { return registeredHotkeys_.count(combo) != 0; }

std::optional<std::uint32_t> HotkeyManager::identifierOf(const KeyCombo& combo) const {
    const auto found = registeredHotkeys_.find(combo);
    if (found == registeredHotkeys_.end()) return std::nullopt;
    return found->second.id;
}

void HotkeyManager::handlePress(std::uint32_t platformId) {
    for (const auto& entry : registeredHotkeys_) {
        if (entry.second.platformId == platformId) {
            // Copied: the action may unregister its own shortcut.
            const std::function<void()> action = entry.second.action;
            if (action) action();
            return;
        }
    }
}

void HotkeyManager::save() {
    nlohmann::json list = nlohmann::json::array();
    for (const auto& entry : registeredHotkeys_) {
        list.push_back({{"keyCode", entry.first.keyCode}, {"modifierFlags", entry.first.modifierFlags}});
    }
    defaults_.set(PreferenceKeys::registeredHotkeys, QByteArray::fromStdString(list.dump()));
}

} // namespace quellpad
