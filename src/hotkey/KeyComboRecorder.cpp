#include "hotkey/KeyComboRecorder.h"

#include "platform/OneShotTimer.h"

namespace quellpad {

KeyComboRecorder::KeyComboRecorder(OneShotTimerScheduler& timers, Delegate delegate)
    : timers_(timers), delegate_(std::move(delegate)) {}

KeyComboRecorder::~KeyComboRecorder() = default;

void KeyComboRecorder::mouseDown() {
    if (isRecording_) return;
    isRecording_ = true;
    tempKeyCombo_.reset();
    if (delegate_.didStartRecording) delegate_.didStartRecording();
}

bool KeyComboRecorder::keyDown(std::uint16_t keyCode, std::uint64_t modifierFlags) {
    if (!isRecording_) return false;
    if (keyCode == KeyCode::escape) {
        endRecording();
        return true;
    }
    const std::uint64_t flags = modifierFlags & ModifierFlag::all;
    if (flags != 0 || isFunctionKey(keyCode)) {
        tempKeyCombo_ = KeyCombo{keyCode, flags};
        // Destroying the handle cancels it, so a timer never outlives the recorder.
        settleTimer_ = timers_.schedule(settleSeconds, [this] { endRecording(); });
    }
    return true;
}

void KeyComboRecorder::endRecording() {
    if (!isRecording_) return;
    settleTimer_.reset();
    isRecording_ = false;
    if (tempKeyCombo_) {
        keyCombo_ = tempKeyCombo_;
        const KeyCombo recorded = *tempKeyCombo_;
        tempKeyCombo_.reset();
        if (delegate_.didRecord) delegate_.didRecord(recorded);
    }
    if (delegate_.didEndRecording) delegate_.didEndRecording();
}

KeyComboRecorder::DisplayState KeyComboRecorder::displayState() const {
    if (isRecording_) {
        return {DisplayStyle::recording, tempKeyCombo_, true};
    }
    if (keyCombo_) {
        return {DisplayStyle::combination, keyCombo_, false};
    }
    return {DisplayStyle::placeholder, std::nullopt, false};
}

} // namespace quellpad
