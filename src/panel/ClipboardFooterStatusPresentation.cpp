#include "panel/ClipboardFooterStatusPresentation.h"

#include "localization/Localizer.h"

namespace quellpad {

ClipboardFooterStatusPresentation ClipboardFooterStatusPresentation::make(const Inputs& inputs,
                                                                          const Localizer& localizer) {
    ClipboardFooterStatusPresentation presentation;
    if (inputs.footerErrorMessage && !inputs.footerErrorMessage->isEmpty()) {
        presentation.message = *inputs.footerErrorMessage;
        return presentation;
    }
    if (inputs.updateReady) {
        const bool versionKnown = inputs.updateVersion && !inputs.updateVersion->trimmed().isEmpty();
        presentation.message = versionKnown
                                   ? localizer.text(TextKey::footerUpdateReadyVersion, {inputs.updateVersion->trimmed()})
                                   : localizer.text(TextKey::footerUpdateReady);
        presentation.action = Action{localizer.text(TextKey::footerUpdateAction), Action::Kind::checkForUpdates};
        presentation.trailingAccessory = TrailingAccessory::action;
        return presentation;
    }
    if (inputs.recordingPaused) {
        presentation.message = localizer.text(TextKey::footerRecordingPaused);
        presentation.toolTip = localizer.text(TextKey::footerRecordingPausedTip);
        return presentation;
    }
    if (!inputs.textCaptureEnabled && !inputs.imageCaptureEnabled) {
        presentation.message = localizer.text(TextKey::footerRecordingOff);
        presentation.toolTip = localizer.text(TextKey::footerRecordingOffTip);
        return presentation;
    }
    presentation.message = localizer.text(TextKey::footerUsageTip);
    presentation.trailingAccessory = TrailingAccessory::tip;
    return presentation;
}

} // namespace quellpad
