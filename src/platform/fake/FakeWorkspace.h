// A workspace whose frontmost application is set by the test.
#pragma once

#include "platform/Workspace.h"

namespace quellpad {

class FakeWorkspace final : public Workspace {
public:
    explicit FakeWorkspace(std::optional<QString> ownBundleIdentifier = QStringLiteral("quellpad"))
        : own_(std::move(ownBundleIdentifier)) {}

    void setFrontmost(std::optional<RunningApplication> application) { frontmost_ = std::move(application); }
    void setFrontmostBundleIdentifier(const std::optional<QString>& bundleIdentifier) {
        frontmost_ = RunningApplication{bundleIdentifier, 4242};
    }

    std::optional<RunningApplication> frontmostApplication() override { return frontmost_; }
    std::optional<QString> ownBundleIdentifier() const override { return own_; }

private:
    std::optional<QString> own_;
    std::optional<RunningApplication> frontmost_ = RunningApplication{QStringLiteral("org.example.Editor"), 4242};
};

} // namespace quellpad
