// The running applications as capture sees them: which one is frontmost, and who we are.
#pragma once

#include <optional>

#include <QString>

namespace quellpad {

struct RunningApplication {
    // The application's id (a desktop-entry id on Linux, a bundle id on macOS);
    // absent when it cannot be worked out.
    std::optional<QString> bundleIdentifier;
    // 0 when unknown.
    qint64 processIdentifier = 0;
};

class Workspace {
public:
    virtual ~Workspace() = default;

    // The application whose window is active; nullopt when no window is active.
    virtual std::optional<RunningApplication> frontmostApplication() = 0;
    // This application's own id, compared with the frontmost one to skip our own writes.
    virtual std::optional<QString> ownBundleIdentifier() const = 0;
};

} // namespace quellpad
