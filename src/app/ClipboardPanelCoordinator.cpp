#include "app/ClipboardPanelCoordinator.h"

#include <QFuture>

#include "Core/Utilities/Logger.h"
#include "Core/Utilities/MainThread.h"
#include "history/ClipboardHistoryManagerProtocol.h"
#include "hotkey/HotkeyManagerProtocol.h"
#include "panel/ClipboardDirectPaste.h"
#include "panel/ClipboardPanelPresenting.h"
#include "panel/ClipboardPasteboardRepresentations.h"
#include "platform/DefaultsStore.h"
#include "platform/Pasteboard.h"
#include "settings/PreferenceKeys.h"

namespace quellpad {

namespace {
const QString category = QStringLiteral("ClipboardPanelCoordinator");
} // namespace

ClipboardPanelCoordinator::ClipboardPanelCoordinator(HotkeyManagerProtocol* hotkeys, DefaultsStore& defaults,
                                                     ClipboardPanelPresenting& panel, ClipboardDirectPaste* directPaste)
    : hotkeys_(hotkeys), defaults_(defaults), panel_(panel), directPaste_(directPaste) {}

ClipboardPanelCoordinator::~ClipboardPanelCoordinator() {
    if (hotkeys_ && registeredClipboardHotkey_) {
        hotkeys_->unregisterHotkey(*registeredClipboardHotkey_);
    }
}

bool ClipboardPanelCoordinator::registerCombo(const KeyCombo& combo) {
    if (!hotkeys_) return false;
    return hotkeys_->registerHotkey(combo, [this, alive = std::weak_ptr<bool>(alive_)] {
        if (alive.lock()) togglePanel();
    });
}

void ClipboardPanelCoordinator::start() {
    if (isClipboardHotkeySuspended_ || !hotkeys_) return;
    bool storeDefault = true;
    if (const std::optional<QByteArray> stored = defaults_.bytesValue(PreferenceKeys::clipboardHistoryHotkey)) {
        QString error;
        if (const std::optional<KeyCombo> combo = KeyCombo::fromJson(*stored, &error)) {
            if (registerCombo(*combo)) {
                registeredClipboardHotkey_ = combo;
                return;
            }
            // Often transient at login, or taken by another client for now: the user's
            // choice stays stored and is tried again at the next start.
            Logger::warning(QStringLiteral("Clipboard hotkey ") + combo->desktopText() +
                                QStringLiteral(" is not available; using the default shortcut for this session"),
                            category);
            storeDefault = false;
        } else {
            Logger::error(QStringLiteral("Failed to load clipboard hotkey: ") + error, category);
            defaults_.remove(PreferenceKeys::clipboardHistoryHotkey);
        }
    }
    const KeyCombo fallback = KeyCombo::defaultClipboardHotkey();
    if (!registerCombo(fallback)) {
        Logger::error(QStringLiteral("Failed to register default clipboard hotkey"), category);
        return;
    }
    registeredClipboardHotkey_ = fallback;
    if (storeDefault) {
        defaults_.set(PreferenceKeys::clipboardHistoryHotkey, fallback.toJson());
    }
}

void ClipboardPanelCoordinator::suspendHotkey() {
    isClipboardHotkeySuspended_ = true;
    if (registeredClipboardHotkey_) {
        hotkeys_->unregisterHotkey(*registeredClipboardHotkey_);
        registeredClipboardHotkey_.reset();
    }
}

void ClipboardPanelCoordinator::resumeHotkey() {
    isClipboardHotkeySuspended_ = false;
    if (!registeredClipboardHotkey_) start();
}

void ClipboardPanelCoordinator::reregisterAfterServiceRebuild() {
    if (registeredClipboardHotkey_) {
        hotkeys_->unregisterHotkey(*registeredClipboardHotkey_);
        registeredClipboardHotkey_.reset();
    }
    start();
}

bool ClipboardPanelCoordinator::changeHotkey(const KeyCombo& combo) {
    if (registeredClipboardHotkey_ == combo) {
        defaults_.set(PreferenceKeys::clipboardHistoryHotkey, combo.toJson());
        return true;
    }
    if (!registerCombo(combo)) {
        return false;
    }
    if (registeredClipboardHotkey_) {
        hotkeys_->unregisterHotkey(*registeredClipboardHotkey_);
    }
    registeredClipboardHotkey_ = combo;
    defaults_.set(PreferenceKeys::clipboardHistoryHotkey, combo.toJson());
    return true;
}

void ClipboardPanelCoordinator::deleteHotkey() {
    if (registeredClipboardHotkey_) {
        hotkeys_->unregisterHotkey(*registeredClipboardHotkey_);
        registeredClipboardHotkey_.reset();
    }
    defaults_.remove(PreferenceKeys::clipboardHistoryHotkey);
}

void ClipboardPanelCoordinator::togglePanel() {
    if (panel_.isVisible()) {
        panel_.hide();
        return;
    }
    showPanel();
}

void ClipboardPanelCoordinator::showPanel() {
    if (panel_.isVisible()) return;
    if (directPaste_) directPaste_->rememberActiveWindow();
    panel_.show();
}

void ClipboardPanelCoordinator::pasteItem(const QString& id, ClipboardHistoryManagerProtocol& history,
                                          Pasteboard& pasteboard, std::function<void(const QString&)> result) {
    if (directPaste_ && !panel_.isVisible()) {
        directPaste_->rememberActiveWindow();
    }
    MainThread::whenFinished(
        history.getContentSnapshotById(id), &context_,
        [this, alive = std::weak_ptr<bool>(alive_), id, &history, &pasteboard,
         result](QFuture<std::optional<ClipboardHistoryContentSnapshot>> done) {
            if (!alive.lock()) return;
            std::optional<ClipboardHistoryContentSnapshot> content;
            try {
                content = done.result();
            } catch (const std::exception& error) {
                result(QStringLiteral("The item could not be read: ") + QString::fromUtf8(error.what()));
                return;
            }
            if (!content) {
                result(QStringLiteral("No item with id ") + id);
                return;
            }
            bool written = false;
            history.performWithoutCapture([&] { written = pasteboard.write(pasteboardRepresentations(*content)); });
            if (!written) {
                // The panel stays and nothing is pasted: the clipboard still holds something else.
                Logger::error(QStringLiteral("Failed to write item ") + id + QStringLiteral(" to the clipboard"), category);
                result(QStringLiteral("The clipboard could not be written"));
                return;
            }
            history.recordUsage(id);
            if (panel_.isVisible()) panel_.hide();
            if (!directPaste_) {
                // Not a success: nothing was typed.
                result(QStringLiteral("No paste keystroke can be sent in this session; the item is on the clipboard, "
                                      "press Ctrl+V"));
                return;
            }
            directPaste_->pasteIntoRememberedWindow([result](DirectPasteOutcome outcome) {
                switch (outcome) {
                case DirectPasteOutcome::pasted: result(QString()); return;
                case DirectPasteOutcome::noWindow: result(QStringLiteral("No window to paste into; the item is on the clipboard")); return;
                case DirectPasteOutcome::windowGone:
                case DirectPasteOutcome::windowNotActive:
                    result(QStringLiteral("The previous window is gone; the item is on the clipboard"));
                    return;
                case DirectPasteOutcome::keystrokeFailed: result(QStringLiteral("The paste keystroke could not be posted")); return;
                case DirectPasteOutcome::superseded: result(QStringLiteral("Superseded by a newer paste")); return;
                }
            });
        });
}

} // namespace quellpad
