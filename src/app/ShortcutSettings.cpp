#include "app/ShortcutSettings.h"

#include "Core/Utilities/Logger.h"
#include "app/ClipboardPanelCoordinator.h"
#include "localization/Localizer.h"
#include "platform/DefaultsStore.h"
#include "settings/AppPreferences.h"

namespace quellpad {

ShortcutSettings::ShortcutSettings(DefaultsStore& defaults, const Localizer& localizer, OneShotTimerScheduler& timers,
                                   ClipboardPanelCoordinator* coordinator, QObject* parent)
    : QObject(parent), defaults_(defaults), localizer_(localizer), coordinator_(coordinator) {
    recorder_ = std::make_unique<KeyComboRecorder>(
        timers, KeyComboRecorder::Delegate{
                    .didStartRecording =
                        [this] {
                            if (coordinator_) coordinator_->suspendHotkey();
                            Q_EMIT changed();
                        },
                    .didRecord = [this](const KeyCombo& combo) { change(combo); },
                    .didEndRecording =
                        [this] {
                            if (coordinator_) coordinator_->resumeHotkey();
                            // A refused combination leaves the stored one on show.
                            followStoredShortcut();
                            Q_EMIT changed();
                        },
                });
    recorder_->setKeyCombo(storedShortcut());
    connect(&defaults_, &DefaultsStore::changed, this, [this] {
        if (recorder_->isRecording() || recorder_->keyCombo() == storedShortcut()) return;
        followStoredShortcut();
        Q_EMIT changed();
    });
}

ShortcutSettings::~ShortcutSettings() {
    // Never leave the panel without its shortcut because a window closed mid-recording.
    if (recorder_->isRecording() && coordinator_) coordinator_->resumeHotkey();
}

std::optional<KeyCombo> ShortcutSettings::storedShortcut() const {
    const std::optional<QByteArray> stored = AppPreferences(defaults_).clipboardHistoryHotkeyData();
    return stored ? KeyCombo::fromJson(*stored) : std::nullopt;
}

void ShortcutSettings::followStoredShortcut() { recorder_->setKeyCombo(storedShortcut()); }

bool ShortcutSettings::change(const KeyCombo& combo) {
    bool registered = false;
    if (refusalOf(combo)) {
        error_ = localizer_.text(TextKey::settingsHotkeyRefused, {combo.desktopText()});
    } else if (!coordinator_ || !coordinator_->changeHotkey(combo)) {
        Logger::warning(QStringLiteral("Could not register clipboard hotkey ") + combo.desktopText(),
                        QStringLiteral("ShortcutsSettings"));
        error_ = localizer_.text(TextKey::settingsHotkeyUnavailable, {combo.desktopText()});
    } else {
        error_.clear();
        registered = true;
    }
    // The control shows what is in force, also after a refusal.
    if (!recorder_->isRecording()) followStoredShortcut();
    Q_EMIT changed();
    return registered;
}

void ShortcutSettings::deleteShortcut() {
    if (coordinator_) {
        coordinator_->deleteHotkey();
    } else {
        AppPreferences(defaults_).setClipboardHistoryHotkeyData(std::nullopt);
    }
    error_.clear();
    followStoredShortcut();
    Q_EMIT changed();
}

} // namespace quellpad
