// The one thing the history facade needs from capture: running the system's own
// clipboard writes so that they are not recorded again. Declared here so that
// history does not depend on the capture layer above it.
#pragma once

#include <functional>

namespace quellpad {

class ClipboardCaptureSuspending {
public:
    virtual ~ClipboardCaptureSuspending() = default;

    // Runs body so that what it writes to the clipboard is not captured. An exception
    // thrown by body propagates after capture has resumed.
    virtual void performWithoutCapture(const std::function<void()>& body) = 0;
};

} // namespace quellpad
