// Scriptable hot keys: records grabs, refuses chords marked as taken, and presses on demand.
#pragma once

#include <map>
#include <set>
#include <utility>

#include "platform/HotKeyService.h"

namespace quellpad {

class FakeHotKeyService final : public HotKeyService {
public:
    HotKeyRegistrationStatus registerHotKey(std::uint32_t id, HotKeyChord chord) override {
        ++registrationAttempts;
        if (taken.count(key(chord)) != 0) {
            return {10, QStringLiteral("the combination is held by another client")};
        }
        grabs[id] = chord;
        return {};
    }
    void unregisterHotKey(std::uint32_t id) override { grabs.erase(id); }
    void setPressHandler(std::function<void(std::uint32_t, std::uint32_t)> handler) override {
        handler_ = std::move(handler);
    }

    // Simulates the user pressing chord: delivers the id it is grabbed under, if any.
    bool press(HotKeyChord chord, std::uint32_t timestamp = 0) {
        for (const auto& [id, grabbed] : grabs) {
            if (key(grabbed) == key(chord)) {
                if (handler_) handler_(id, timestamp);
                return true;
            }
        }
        return false;
    }
    void markTaken(HotKeyChord chord) { taken.insert(key(chord)); }
    void release(HotKeyChord chord) { taken.erase(key(chord)); }
    bool isGrabbed(HotKeyChord chord) const {
        for (const auto& entry : grabs) {
            if (key(entry.second) == key(chord)) return true;
        }
        return false;
    }

    std::map<std::uint32_t, HotKeyChord> grabs;
    int registrationAttempts = 0;

private:
    static std::pair<std::uint16_t, std::uint64_t> key(HotKeyChord chord) { return {chord.keyCode, chord.modifierFlags}; }

    std::set<std::pair<std::uint16_t, std::uint64_t>> taken;
    std::function<void(std::uint32_t, std::uint32_t)> handler_;
};

} // namespace quellpad
