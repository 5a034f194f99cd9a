// Reads the focused text element over the AT-SPI D-Bus protocol on a connection of its
// own to the accessibility bus. Every call waits at most for what is left of the read's
// budget, so an application that does not answer costs the budget and no more (D-Bus's
// default wait is 25 s). The focused element is the one the focus events named last
// (when it belongs to the application), else the FOCUSED node found by walking the
// application's windows (its process id narrows the search; active windows first, depth
// first, showing nodes only, up to nodeLimit nodes), else the first editable text field
// of that walk. Our own process is never asked: it could not answer while it waits.
// Main thread; blocking.
#pragma once

#include <chrono>
#include <optional>

#include <QString>

#include "platform/FocusedTextElement.h"
#include "platform/linux/AtspiFocusTracker.h"

namespace quellpad {

class AtspiFocusedTextReader {
public:
    static constexpr int nodeLimit = 4000;
    static constexpr int textLengthLimit = 20000; // characters read for the line estimates

    std::optional<FocusedTextElement> read(std::chrono::milliseconds budget, qint64 processIdentifier);
    // Starts following the focus events; the first read does it too.
    void startFocusTracking(std::chrono::milliseconds budget);

private:
    bool connect(std::chrono::steady_clock::time_point deadline);

    QString connectionName_;
    AtspiFocusTracker focus_;
};

} // namespace quellpad
