// The Workspace of a Wayland session: the frontmost application is the activated
// toplevel's app id where the compositor shows its windows (wlroots), and unknown
// elsewhere, where the ignore list cannot apply (logged once; copies marked secret are
// still skipped). URLs and files go to the user's applications through XDG, which
// needs no X display.
#pragma once

#include <QString>

#include "platform/Workspace.h"

namespace quellpad {

class WaylandToplevels;

class WaylandWorkspace final : public Workspace {
public:
    // toplevels may be null: the active application is then unknown. ownAppId is the
    // app id our own windows carry.
    WaylandWorkspace(QString ownAppId, WaylandToplevels* toplevels);

    std::optional<RunningApplication> frontmostApplication() override;
    std::optional<QString> ownBundleIdentifier() const override { return ownAppId_; }
    bool openUrl(const QUrl& url, QString* error = nullptr) override;
    bool revealFile(const QString& path, QString* error = nullptr) override;

private:
    QString ownAppId_;
    WaylandToplevels* toplevels_;
};

} // namespace quellpad
