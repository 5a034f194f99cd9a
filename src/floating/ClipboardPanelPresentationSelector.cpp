#include "floating/ClipboardPanelPresentationSelector.h"

#include "settings/AppPreferences.h"

namespace quellpad {

ClipboardPanelPresentationSelector::ClipboardPanelPresentationSelector(ClipboardPanelPresenting& centered,
                                                                       ClipboardPanelPresenting* floating,
                                                                       DefaultsStore& defaults,
                                                                       DistributionChannel channel,
                                                                       bool windowsPlaceable)
    : centered_(centered),
      floating_(floating),
      defaults_(defaults),
      channel_(channel),
      windowsPlaceable_(windowsPlaceable) {}

DirectClipboardPresentationMode ClipboardPanelPresentationSelector::effectiveMode(
    DirectClipboardPresentationMode preferred, bool windowsPlaceable) {
    return windowsPlaceable ? preferred : DirectClipboardPresentationMode::centered;
}

ClipboardPanelPresenting& ClipboardPanelPresentationSelector::chosen() const {
    if (floating_ && effectiveMode(AppPreferences(defaults_).presentationMode(channel_), windowsPlaceable_) ==
                         DirectClipboardPresentationMode::floating) {
        return *floating_;
    }
    return centered_;
}

bool ClipboardPanelPresentationSelector::isVisible() const {
    return centered_.isVisible() || (floating_ && floating_->isVisible());
}

void ClipboardPanelPresentationSelector::show() {
    chosen().show();
}

void ClipboardPanelPresentationSelector::hide() {
    if (centered_.isVisible()) centered_.hide();
    if (floating_ && floating_->isVisible()) floating_->hide();
}

} // namespace quellpad
