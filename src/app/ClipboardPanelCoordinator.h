// Owns the panel shortcut and the panel's show/hide cycle: registers the stored (or
// default) shortcut at start, suspends it while the settings record a new one,
// re-registers it after the services are rebuilt, and toggles the active panel when it
// is pressed (or when `quellpad toggle` asks). Main thread only.
#pragma once

#include <memory>
#include <optional>

#include <QObject>
#include <QString>

#include "hotkey/KeyCombo.h"

namespace quellpad {

class ClipboardDirectPaste;
class ClipboardHistoryManagerProtocol;
class ClipboardPanelPresenting;
class DefaultsStore;
class HotkeyManagerProtocol;
class Pasteboard;

class ClipboardPanelCoordinator {
public:
    // hotkeys may be null (no global shortcut: the panel opens through the command
    // line); directPaste may be null (no window is remembered then).
    ClipboardPanelCoordinator(HotkeyManagerProtocol* hotkeys, DefaultsStore& defaults, ClipboardPanelPresenting& panel,
                              ClipboardDirectPaste* directPaste);
    ~ClipboardPanelCoordinator();

    // Registers the shortcut stored under "ClipboardHistoryHotkey", else the default
    // (stored when it was taken because none was). A stored shortcut that cannot be
    // registered now stays stored; the default serves for this run.
    void start();
    void suspendHotkey();
    void resumeHotkey();
    // After the services were rebuilt: drop the registration and register again.
    void reregisterAfterServiceRebuild();
    // Registers combo and, only once that succeeded, drops the previous shortcut and
    // stores combo. False (nothing changed) when it cannot be registered.
    bool changeHotkey(const KeyCombo& combo);
    bool resetHotkeyToDefault() { return changeHotkey(KeyCombo::defaultClipboardHotkey()); }
    // No panel shortcut until one is recorded (or the next start stores the default).
    void deleteHotkey();

    std::optional<KeyCombo> registeredClipboardHotkey() const { return registeredClipboardHotkey_; }
    bool isClipboardHotkeySuspended() const { return isClipboardHotkeySuspended_; }

    // Hides the active panel when it is visible, else remembers the active window and shows it.
    void togglePanel();
    // Shows the panel unless it is up already (a second launch asks for it).
    void showPanel();

    // Puts an item on the clipboard (without capturing it again), records the use,
    // hides the panel and pastes it into the window the panel was opened over (or the
    // window active now, when no panel is open). result receives an English error or
    // an empty string.
    void pasteItem(const QString& id, ClipboardHistoryManagerProtocol& history, Pasteboard& pasteboard,
                   std::function<void(const QString& error)> result);

private:
    bool registerCombo(const KeyCombo& combo);

    HotkeyManagerProtocol* hotkeys_;
    DefaultsStore& defaults_;
    ClipboardPanelPresenting& panel_;
    ClipboardDirectPaste* directPaste_;
    std::optional<KeyCombo> registeredClipboardHotkey_;
    bool isClipboardHotkeySuspended_ = false;
    // Callbacks hold this weakly: a shortcut pressed after the coordinator is gone does nothing.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    QObject context_;
};

} // namespace quellpad
