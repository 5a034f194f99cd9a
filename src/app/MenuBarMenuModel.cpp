#include "app/MenuBarMenuModel.h"

#include "localization/Localizer.h"
#include "platform/DefaultsStore.h"
#include "settings/AppPreferences.h"

namespace quellpad {

MenuBarRecordingState MenuBarMenuModel::recordingState(DefaultsStore& defaults, bool monitorPaused) {
    const AppPreferences preferences(defaults);
    if (!preferences.textCaptureEnabled() && !preferences.imageCaptureEnabled()) {
        return MenuBarRecordingState::off;
    }
    return monitorPaused ? MenuBarRecordingState::paused : MenuBarRecordingState::recording;
}

std::vector<MenuBarMenuEntry> MenuBarMenuModel::entries(MenuBarRecordingState state,
                                                        const std::set<MenuBarAction>& availableActions,
                                                        const Localizer& localizer, const QString& displayName) {
    using Kind = MenuBarMenuEntry::Kind;
    std::vector<MenuBarMenuEntry> menu;
    auto add = [&](MenuBarAction action, TextKey title, const QString& icon, const QStringList& arguments = {}) {
        if (action != MenuBarAction::quit && !availableActions.contains(action)) return;
        menu.push_back({Kind::action, action, localizer.text(title, arguments), icon, true});
    };
    auto line = [&](TextKey title, const QString& icon) {
        menu.push_back({Kind::disabledLine, std::nullopt, localizer.text(title), icon, false});
    };
    auto separator = [&] {
        // Never two in a row, never first.
        if (!menu.empty() && menu.back().kind != Kind::separator) menu.push_back({Kind::separator, std::nullopt, {}, {}, true});
    };

    if (state == MenuBarRecordingState::off) {
        line(TextKey::menuRecordingOffLine, QStringLiteral("media-playback-pause"));
        add(MenuBarAction::openGeneralSettings, TextKey::menuOpenGeneralSettings, QStringLiteral("preferences-system"));
        separator();
    } else if (state == MenuBarRecordingState::paused) {
        line(TextKey::menuRecordingPausedLine, QStringLiteral("media-playback-pause"));
        add(MenuBarAction::toggleTemporaryMonitoring, TextKey::menuResumeRecording, QStringLiteral("media-playback-start"));
        separator();
    }
    add(MenuBarAction::openClipboardHistoryPanel, TextKey::menuClipboardHistory, QStringLiteral("edit-paste"));
    add(MenuBarAction::showOnboarding, TextKey::menuShowOnboarding, QStringLiteral("help-about"));
    if (state == MenuBarRecordingState::recording) {
        add(MenuBarAction::toggleTemporaryMonitoring, TextKey::menuPauseRecording, QStringLiteral("media-playback-pause"));
    }
    add(MenuBarAction::openClassification, TextKey::menuClassification, QStringLiteral("tag"));
    add(MenuBarAction::openSettings, TextKey::menuSettings, QStringLiteral("preferences-system"));
    separator();
    add(MenuBarAction::sendFeedback, TextKey::menuSendFeedback, QStringLiteral("mail-send"));
    // The Linux build's updater never supports updates (a package manager updates the app).
    add(MenuBarAction::showAbout, TextKey::menuAbout, QStringLiteral("help-about"), {displayName});
    separator();
    add(MenuBarAction::quit, TextKey::menuQuit, QString());
    return menu;
}

QString MenuBarMenuModel::toolTip(MenuBarRecordingState state, const Localizer& localizer, const QString& displayName) {
    switch (state) {
    case MenuBarRecordingState::off: return localizer.text(TextKey::trayRecordingOffTip);
    case MenuBarRecordingState::paused: return localizer.text(TextKey::trayRecordingPausedTip);
    case MenuBarRecordingState::recording: break;
    }
    return displayName;
}

} // namespace quellpad
