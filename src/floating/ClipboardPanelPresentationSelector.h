// The panel the shortcut toggles: the floating one in the direct channel when
// "DirectClipboardPresentationMode" is "floating" (read at each opening, so a change
// applies to the next one), the centered one otherwise. Hiding hides whichever is up.
#pragma once

#include "panel/ClipboardPanelPresenting.h"
#include "settings/DistributionChannel.h"

namespace quellpad {

class DefaultsStore;

class ClipboardPanelPresentationSelector final : public ClipboardPanelPresenting {
public:
    // floating may be null (no floating widgets): the centered panel always.
    ClipboardPanelPresentationSelector(ClipboardPanelPresenting& centered, ClipboardPanelPresenting* floating,
                                       DefaultsStore& defaults, DistributionChannel channel);

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
};

} // namespace quellpad
