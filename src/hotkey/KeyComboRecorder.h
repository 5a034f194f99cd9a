// What the shortcut recorder control does, without the control: idle or recording,
// which combination it shows, and when a recorded one is reported. The settings page's
// widget forwards clicks and key events and draws displayState().
#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "hotkey/KeyCombo.h"

namespace quellpad {

class OneShotTimerScheduler;
class ScheduledTimer;

class KeyComboRecorder {
public:
    struct Delegate {
        std::function<void()> didStartRecording;        // the page suspends the global shortcut
        std::function<void(const KeyCombo&)> didRecord; // the page registers and saves it
        std::function<void()> didEndRecording;          // the page resumes the global shortcut
    };
    enum class DisplayStyle { combination, placeholder, recording };
    struct DisplayState {
        DisplayStyle style;
        std::optional<KeyCombo> combo; // shown in the combination and recording styles
        bool showsProgress;
    };

    KeyComboRecorder(OneShotTimerScheduler& timers, Delegate delegate);
    ~KeyComboRecorder();

    void setKeyCombo(std::optional<KeyCombo> combo) { keyCombo_ = combo; }
    std::optional<KeyCombo> keyCombo() const { return keyCombo_; }
    bool isRecording() const { return isRecording_; }

    // A click on the control.
    void mouseDown();
    // A key press while the control has focus; true when it was swallowed (every key
    // is swallowed while recording, so the global shortcut does not fire either).
    bool keyDown(std::uint16_t keyCode, std::uint64_t modifierFlags);
    DisplayState displayState() const;

    // Seconds between a recognised combination and the end of recording.
    static constexpr double settleSeconds = 0.5;

private:
    void endRecording();

    OneShotTimerScheduler& timers_;
    Delegate delegate_;
    std::optional<KeyCombo> keyCombo_;
    bool isRecording_ = false;
    std::optional<KeyCombo> tempKeyCombo_;
    std::unique_ptr<ScheduledTimer> settleTimer_;
};

} // namespace quellpad
