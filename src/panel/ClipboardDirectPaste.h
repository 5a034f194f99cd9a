// Pasting a chosen item back into the window the user was in: the window is
// remembered when a panel opens; after the item is on the clipboard and the panel is
// gone, the window is activated again and, once it is active, the paste keystroke
// is posted. Nothing is typed anywhere else: when the window is gone or does not
// become active, the item simply stays on the clipboard. Main thread only.
#pragma once

#include <functional>
#include <memory>
#include <optional>

#include <QString>
#include <QStringList>

#include "platform/KeySynthesizer.h"
#include "platform/WindowActivation.h"
#include "settings/DistributionChannel.h"

namespace quellpad {

class DefaultsStore;
class OneShotTimerScheduler;
class ScheduledTimer;

enum class DirectPasteOutcome {
    pasted,           // the keystroke went to the remembered window
    noWindow,         // no window was remembered
    windowGone,       // the window could not be activated (closed meanwhile)
    windowNotActive,  // it did not become active in time
    keystrokeFailed,  // the keystroke could not be posted
    superseded,       // a newer paste or panel opening replaced this one
};

class ClipboardDirectPaste {
public:
    ClipboardDirectPaste(WindowActivation& windows, KeySynthesizer& keys, OneShotTimerScheduler& timers,
                         DefaultsStore& defaults, DistributionChannel channel, qint64 ownProcessIdentifier);
    ~ClipboardDirectPaste();

    // When a panel is shown: remembers the active window, unless it is one of ours.
    // timestamp is the window system time of the user action that opened the panel.
    void rememberActiveWindow(std::uint32_t timestamp = 0);
    std::optional<ActiveWindow> rememberedWindow() const { return remembered_; }

    // Return pastes only in the direct channel with "DirectPasteReturnKeyAutoPasteEnabled".
    bool isWanted() const;
    static bool isWanted(DistributionChannel channel, DefaultsStore& defaults);

    // Gives the remembered window the focus back, without typing anything. False when
    // no window is remembered or it is gone.
    bool activateRememberedWindow();

    // Re-activates the remembered window and posts the paste keystroke 0.1 s later, once
    // the window is active (checked again for up to activationDeadlineSeconds). done,
    // when given, receives the outcome on the main thread.
    void pasteIntoRememberedWindow(std::function<void(DirectPasteOutcome)> done = {});

    // The keystroke for an application: Ctrl+Shift+V for terminal emulators (the
    // default list, or "DirectPasteTerminalApplications" when set), Ctrl+V elsewhere.
    PasteKeystroke keystrokeFor(const std::optional<QString>& applicationId) const;
    static QStringList defaultTerminalApplications();

    static constexpr double keystrokeDelaySeconds = 0.1;
    static constexpr double activationRetrySeconds = 0.05;
    static constexpr double activationDeadlineSeconds = 0.6;

private:
    void checkActive(ActiveWindow window, double waited, std::function<void(DirectPasteOutcome)> done);
    void finish(DirectPasteOutcome outcome, const std::function<void(DirectPasteOutcome)>& done);

    WindowActivation& windows_;
    KeySynthesizer& keys_;
    OneShotTimerScheduler& timers_;
    DefaultsStore& defaults_;
    DistributionChannel channel_;
    qint64 ownProcessIdentifier_;
    std::optional<ActiveWindow> remembered_;
    std::uint32_t rememberedTimestamp_ = 0;
    std::unique_ptr<ScheduledTimer> pending_;
    std::function<void(DirectPasteOutcome)> pendingDone_;
};

} // namespace quellpad
