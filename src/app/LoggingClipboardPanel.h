// Stands in for the panel window until it exists: shown and hidden on the shortcut, as
// a state the command line can read, with a log line each time.
#pragma once

#include "Core/Utilities/Logger.h"
#include "panel/ClipboardPanelPresenting.h"

namespace quellpad {

class LoggingClipboardPanel final : public ClipboardPanelPresenting {
public:
    bool isVisible() const override { return visible_; }
    void show() override {
        visible_ = true;
        Logger::info(QStringLiteral("Clipboard panel shown"), QStringLiteral("ClipboardPanelCoordinator"));
    }
    void hide() override {
        visible_ = false;
        Logger::info(QStringLiteral("Clipboard panel hidden"), QStringLiteral("ClipboardPanelCoordinator"));
    }

private:
    bool visible_ = false;
};

} // namespace quellpad
