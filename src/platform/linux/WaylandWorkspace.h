// The Workspace of a Wayland session: the frontmost application is the activated
// toplevel's app id where the compositor shows its windows (wlroots), and unknown
// elsewhere, where the ignore list cannot apply (logged once; copies marked secret are
// still skipped). Opening URLs and files is left to the base workspace.
#pragma once

#include "platform/Workspace.h"

namespace quellpad {

class WaylandToplevels;

class WaylandWorkspace final : public Workspace {
public:
    // toplevels may be null: the active application is then unknown.
    WaylandWorkspace(Workspace& base, WaylandToplevels* toplevels);

    std::optional<RunningApplication> frontmostApplication() override;
    std::optional<QString> ownBundleIdentifier() const override { return base_.ownBundleIdentifier(); }
    bool openUrl(const QUrl& url, QString* error = nullptr) override { return base_.openUrl(url, error); }
    bool revealFile(const QString& path, QString* error = nullptr) override { return base_.revealFile(path, error); }

private:
    Workspace& base_;
    WaylandToplevels* toplevels_;
};

} // namespace quellpad
