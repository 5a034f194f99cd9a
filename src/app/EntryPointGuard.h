// Keeps at least one way into clipboard history: the tray icon or the panel shortcut.
// Hiding the icon without a shortcut, or deleting the shortcut while the icon is not
// shown (hidden in the settings or by the system, which on Linux means there is no
// tray), asks first; the alert's confirmation restores the other entry point.
#pragma once

#include <optional>

#include <QString>

namespace quellpad {

class DefaultsStore;
class Localizer;
class ShortcutSettings;

class EntryPointGuard {
public:
    enum class Alert { shortcutRequired, keepEntryPoint };
    struct AlertTexts {
        QString message;
        QString informativeText;
        QString cancelTitle;
        QString confirmTitle;
    };

    EntryPointGuard(DefaultsStore& defaults, const Localizer& localizer, ShortcutSettings& shortcut);

    // Done at once (nullopt), or the alert to show; nothing is changed before it is confirmed.
    std::optional<Alert> setShowsIcon(bool shows);
    std::optional<Alert> deleteShortcut();
    // The alert's confirming button. False when it could not be done (error() says why);
    // nothing is changed then.
    bool confirm(Alert alert);
    AlertTexts texts(Alert alert) const;
    const QString& error() const { return error_; }

    // The icon is not an entry point now: switched off, or hidden by the system.
    bool isIconHidden() const;

private:
    bool hasShortcut() const;

    DefaultsStore& defaults_;
    const Localizer& localizer_;
    ShortcutSettings& shortcut_;
    QString error_;
};

} // namespace quellpad
