// The panel the shortcut toggles: the floating one in the direct channel when
// "DirectClipboardPresentationMode" is "floating" (read at each opening, so a change
// applies to the next one), the centered one otherwise. Hiding hides whichever is up.
// Where the application cannot place its own windows (a native Wayland window), the
// floating panel cannot sit at the caret, so the centered panel opens instead.
#pragma once

#include "panel/ClipboardPanelPresenting.h"
#include "settings/DistributionChannel.h"
#include "settings/PanelPresentation.h"

namespace quellpad {

class DefaultsStore;

class ClipboardPanelPresentationSelector final : public ClipboardPanelPresenting {
public:
    // floating may be null (no floating widgets): the centered panel always.
    ClipboardPanelPresentationSelector(ClipboardPanelPresenting& centered, ClipboardPanelPresenting* floating,
                                       DefaultsStore& defaults, DistributionChannel channel,
                                       bool windowsPlaceable = true);

    // The panel that opens for the preferred mode.
    static DirectClipboardPresentationMode effectiveMode(DirectClipboardPresentationMode preferred,
                                                         bool windowsPlaceable);

    bool isVisible() const override;
    void show() override;
    void hide() override;

    // The panel the next show opens.
    ClipboardPanelPresenting& chosen() const;

private:
    ClipboardPanelPresenting& centered_;
    ClipboardPanelPresenting* floating_;
    DefaultsStore& defaults_;
    DistributionChannel channel_;
    bool windowsPlaceable_;
};

} // namespace quellpad
