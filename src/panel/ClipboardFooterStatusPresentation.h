// What the panel's footer line shows, decided from the panel's own error, the
// updater and the recording state; first match wins.
#pragma once

#include <optional>

#include <QString>

namespace quellpad {

class Localizer;

struct ClipboardFooterStatusPresentation {
    struct Action {
        enum class Kind { checkForUpdates };
        QString title;
        Kind kind = Kind::checkForUpdates;

        bool operator==(const Action&) const = default;
    };
    enum class TrailingAccessory { tip, action, none };

    QString message;
    std::optional<QString> toolTip;
    std::optional<Action> action;
    TrailingAccessory trailingAccessory = TrailingAccessory::none;

    bool operator==(const ClipboardFooterStatusPresentation&) const = default;

    struct Inputs {
        std::optional<QString> footerErrorMessage; // set by a panel action
        bool updateReady = false;
        std::optional<QString> updateVersion; // the ready update's version, when known
        bool recordingPaused = false;
        bool textCaptureEnabled = true;
        bool imageCaptureEnabled = true;
    };
    static ClipboardFooterStatusPresentation make(const Inputs& inputs, const Localizer& localizer);
};

} // namespace quellpad
