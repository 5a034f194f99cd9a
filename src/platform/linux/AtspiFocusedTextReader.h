// Reads the focused text element over the AT-SPI D-Bus protocol on a connection of its
// own to the accessibility bus. Every call waits at most for what is left of the read's
// budget, so an application that does not answer costs the budget and no more (D-Bus's
// default wait is 25 s). The focused element is found by walking the active window of
// the application (its process id narrows the search), depth first, showing nodes only,
// up to nodeLimit nodes. Main thread; blocking.
#pragma once

#include <chrono>
#include <optional>

#include <QString>

#include "platform/FocusedTextElement.h"

namespace quellpad {

class AtspiFocusedTextReader {
public:
    static constexpr int nodeLimit = 4000;
    static constexpr int textLengthLimit = 20000; // characters read for the line estimates

    std::optional<FocusedTextElement> read(std::chrono::milliseconds budget, qint64 processIdentifier);

private:
    bool connect(std::chrono::steady_clock::time_point deadline);

    QString connectionName_;
};

} // namespace quellpad
