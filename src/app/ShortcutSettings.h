// The panel shortcut as the settings and onboarding edit it: the recorder, which
// suspends the global shortcut while it records (so pressing the current one does not
// open the panel), registers a recorded combination through the coordinator and
// stores it only once registered, and "Reset to Default" and "Delete".
#pragma once

#include <memory>
#include <optional>

#include <QObject>
#include <QString>

#include "hotkey/KeyCombo.h"
#include "hotkey/KeyComboRecorder.h"

namespace quellpad {

class ClipboardPanelCoordinator;
class DefaultsStore;
class Localizer;
class OneShotTimerScheduler;

class ShortcutSettings final : public QObject {
    Q_OBJECT
public:
    // coordinator may be null (no global shortcut service): nothing can be registered then.
    ShortcutSettings(DefaultsStore& defaults, const Localizer& localizer, OneShotTimerScheduler& timers,
                     ClipboardPanelCoordinator* coordinator, QObject* parent = nullptr);
    ~ShortcutSettings() override;

    KeyComboRecorder& recorder() { return *recorder_; }
    const Localizer& localizer() const { return localizer_; }
    // The stored shortcut that decodes; nullopt when none.
    std::optional<KeyCombo> storedShortcut() const;
    // Why the last change failed; empty after a success.
    const QString& error() const { return error_; }

    // Registers and stores combo; false (error() says why) when it cannot be registered.
    bool change(const KeyCombo& combo);
    bool resetToDefault() { return change(KeyCombo::defaultClipboardHotkey()); }
    // Unregisters and forgets the shortcut; the entry-point guard decides beforehand.
    void deleteShortcut();

Q_SIGNALS:
    // The recorder's state, the stored shortcut or the error changed.
    void changed();

private:
    void followStoredShortcut();

    DefaultsStore& defaults_;
    const Localizer& localizer_;
    ClipboardPanelCoordinator* coordinator_;
    std::unique_ptr<KeyComboRecorder> recorder_;
    QString error_;
};

} // namespace quellpad
