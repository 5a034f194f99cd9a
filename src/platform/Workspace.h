// The running applications: which one is frontmost, who we are, and handing URLs and
// files to the user's applications.
#pragma once

#include <optional>

#include <QString>
#include <QUrl>

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

    // Opens a URL (a web link, a file) with the user's preferred application. False,
    // with the reason in error, when no application could be started for it.
    virtual bool openUrl(const QUrl& url, QString* error = nullptr) = 0;
    // Shows a file selected in the file browser (its folder when the browser cannot
    // select). False, with the reason in error, when nothing could be shown.
    virtual bool revealFile(const QString& path, QString* error = nullptr) = 0;
};

} // namespace quellpad
