// What the tray item shows: the recording state, the menu's entries and the tooltip,
// as plain values the tray widget binds. No widgets here.
#pragma once

#include <optional>
#include <set>
#include <vector>

#include <QString>

namespace quellpad {

class DefaultsStore;
class Localizer;

enum class MenuBarRecordingState { recording, off, paused };

enum class MenuBarAction {
    openClipboardHistoryPanel,
    toggleTemporaryMonitoring,
    openClassification,
    openSettings,
    showOnboarding,
    openGeneralSettings,
    sendFeedback,
    showAbout,
    checkForUpdates,
    quit,
};

struct MenuBarMenuEntry {
    enum class Kind { action, disabledLine, separator };
    Kind kind = Kind::action;
    std::optional<MenuBarAction> action;
    QString title;
    QString iconName; // a freedesktop icon name; empty for none
    bool enabled = true;

    bool operator==(const MenuBarMenuEntry&) const = default;
};

struct MenuBarMenuModel {
    // Off when text and image capture are both off; else paused when capture is paused.
    static MenuBarRecordingState recordingState(DefaultsStore& defaults, bool monitorPaused);

    // The menu from scratch, in order. Actions without a window to open yet are left out
    // rather than shown doing nothing.
    static std::vector<MenuBarMenuEntry> entries(MenuBarRecordingState state,
                                                 const std::set<MenuBarAction>& availableActions,
                                                 const Localizer& localizer, const QString& displayName);

    // One line per reason the item is tinted; the display name alone when there is none.
    static QString toolTip(MenuBarRecordingState state, const Localizer& localizer, const QString& displayName);
};

} // namespace quellpad
