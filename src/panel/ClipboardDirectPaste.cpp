#include "panel/ClipboardDirectPaste.h"

#include "Core/Utilities/Logger.h"
#include "platform/DefaultsStore.h"
#include "platform/OneShotTimer.h"
#include "settings/PreferenceKeys.h"

namespace quellpad {

namespace {
const QString category = QStringLiteral("ClipboardDirectPaste");

QString describe(const ActiveWindow& window) {
    return QStringLiteral("window 0x%1 (%2)")
        .arg(window.windowId, 0, 16)
        .arg(window.applicationId.value_or(QStringLiteral("unknown application")));
}
} // namespace

ClipboardDirectPaste::ClipboardDirectPaste(WindowActivation& windows, KeySynthesizer& keys,
                                           OneShotTimerScheduler& timers, DefaultsStore& defaults,
                                           DistributionChannel channel, qint64 ownProcessIdentifier)
    : windows_(windows),
      keys_(keys),
      timers_(timers),
      defaults_(defaults),
      channel_(channel),
      ownProcessIdentifier_(ownProcessIdentifier) {}

ClipboardDirectPaste::~ClipboardDirectPaste() = default;

void ClipboardDirectPaste::rememberActiveWindow(std::uint32_t timestamp) {
    if (pending_) {
        finish(DirectPasteOutcome::superseded, pendingDone_);
    }
    const std::optional<ActiveWindow> active = windows_.activeWindow();
    if (!active || (ownProcessIdentifier_ != 0 && active->processIdentifier == ownProcessIdentifier_)) {
        // Keep the window from before: reopening over our own window must not forget it.
        return;
    }
    remembered_ = active;
    rememberedTimestamp_ = timestamp;
}

bool ClipboardDirectPaste::isWanted() const { return isWanted(channel_, defaults_); }

bool ClipboardDirectPaste::isWanted(DistributionChannel channel, DefaultsStore& defaults) {
    return channel == DistributionChannel::direct &&
           defaults.boolValue(PreferenceKeys::directPasteReturnKeyAutoPasteEnabled).value_or(false);
}

QStringList ClipboardDirectPaste::defaultTerminalApplications() {
    // Desktop-file ids and WM_CLASS names of the common terminal emulators.
    return {QStringLiteral("org.gnome.Terminal"), QStringLiteral("gnome-terminal"), QStringLiteral("org.gnome.Console"),
            QStringLiteral("org.gnome.Ptyxis"), QStringLiteral("org.kde.konsole"), QStringLiteral("konsole"),
            QStringLiteral("org.kde.yakuake"), QStringLiteral("xfce4-terminal"), QStringLiteral("org.xfce.terminal"),
            QStringLiteral("mate-terminal"), QStringLiteral("lxterminal"), QStringLiteral("qterminal"),
            QStringLiteral("io.elementary.terminal"), QStringLiteral("com.gexperts.Tilix"), QStringLiteral("terminator"),
            QStringLiteral("Alacritty"), QStringLiteral("kitty"), QStringLiteral("org.wezfurlong.wezterm"),
            QStringLiteral("foot"), QStringLiteral("footclient"), QStringLiteral("com.mitchellh.ghostty"),
            QStringLiteral("xterm"), QStringLiteral("uxterm"), QStringLiteral("urxvt"), QStringLiteral("st"),
            QStringLiteral("guake"), QStringLiteral("terminology"), QStringLiteral("sakura")};
}

PasteKeystroke ClipboardDirectPaste::keystrokeFor(const std::optional<QString>& applicationId) const {
    if (!applicationId) return PasteKeystroke::controlV;
    const QStringList terminals = defaults_.stringArrayValue(PreferenceKeys::directPasteTerminalApplications)
                                      .value_or(defaultTerminalApplications());
    return terminals.contains(*applicationId, Qt::CaseInsensitive) ? PasteKeystroke::controlShiftV
                                                                   : PasteKeystroke::controlV;
}

bool ClipboardDirectPaste::activateRememberedWindow() {
    if (pending_) {
        finish(DirectPasteOutcome::superseded, pendingDone_);
    }
    if (!remembered_) return false;
    if (!windows_.requestActivation(*remembered_, rememberedTimestamp_)) {
        Logger::info(QStringLiteral("Could not activate ") + describe(*remembered_) + QStringLiteral(" again"), category);
        remembered_.reset();
        return false;
    }
    return true;
}

void ClipboardDirectPaste::pasteIntoRememberedWindow(std::function<void(DirectPasteOutcome)> done) {
    if (pending_) {
        finish(DirectPasteOutcome::superseded, pendingDone_);
    }
    if (!remembered_) {
        Logger::info(QStringLiteral("No previous window to paste into; the item is on the clipboard"), category);
        finish(DirectPasteOutcome::noWindow, done);
        return;
    }
    const ActiveWindow window = *remembered_;
    if (!windows_.requestActivation(window, rememberedTimestamp_)) {
        Logger::warning(QStringLiteral("Could not activate ") + describe(window) +
                            QStringLiteral(" again (it was closed?); the item is on the clipboard, nothing was typed"),
                        category);
        remembered_.reset();
        finish(DirectPasteOutcome::windowGone, done);
        return;
    }
    pendingDone_ = std::move(done);
    pending_ = timers_.schedule(keystrokeDelaySeconds, [this, window] {
        checkActive(window, keystrokeDelaySeconds, std::move(pendingDone_));
    });
}

void ClipboardDirectPaste::checkActive(ActiveWindow window, double waited,
                                       std::function<void(DirectPasteOutcome)> done) {
    pending_.reset();
    if (windows_.isActive(window)) {
        if (!keys_.postPasteKeystroke(keystrokeFor(window.applicationId))) {
            Logger::error(QStringLiteral("Failed to post the paste keystroke; the item is on the clipboard"), category);
            finish(DirectPasteOutcome::keystrokeFailed, done);
            return;
        }
        Logger::info(QStringLiteral("Pasted into ") + describe(window), category);
        finish(DirectPasteOutcome::pasted, done);
        return;
    }
    if (waited >= activationDeadlineSeconds) {
        Logger::warning(describe(window) +
                            QStringLiteral(" did not become active again; the item is on the clipboard, nothing was typed"),
                        category);
        finish(DirectPasteOutcome::windowNotActive, done);
        return;
    }
    pendingDone_ = std::move(done);
    pending_ = timers_.schedule(activationRetrySeconds, [this, window, waited] {
        checkActive(window, waited + activationRetrySeconds, std::move(pendingDone_));
    });
}

void ClipboardDirectPaste::finish(DirectPasteOutcome outcome, const std::function<void(DirectPasteOutcome)>& done) {
    // Copied first: done may be pendingDone_ itself.
    const std::function<void(DirectPasteOutcome)> callback = done;
    pending_.reset();
    pendingDone_ = {};
    if (callback) callback(outcome);
}

} // namespace quellpad
