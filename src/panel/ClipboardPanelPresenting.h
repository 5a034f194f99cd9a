// The active panel as the coordinator drives it: shown, hidden, and whether it is up.
#pragma once

namespace quellpad {

class ClipboardPanelPresenting {
public:
    virtual ~ClipboardPanelPresenting() = default;

    virtual bool isVisible() const = 0;
    virtual void show() = 0;
    virtual void hide() = 0;
};

} // namespace quellpad
