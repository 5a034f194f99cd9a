#include "platform/linux/X11Workspace.h"

#include "platform/linux/X11Support.h"
#include "platform/linux/XdgOpener.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace quellpad {

std::unique_ptr<X11Workspace> X11Workspace::open(QString* error, const QByteArray& displayName, QString ownDesktopId,
                                                 QStringList applicationDirectories) {
    X11Support::installErrorHandler();
    Display* display = XOpenDisplay(displayName.isEmpty() ? nullptr : displayName.constData());
    if (display == nullptr) {
        if (error != nullptr) {
            *error = QStringLiteral("Cannot open the X display");
        }
        return nullptr;
    }
    return std::unique_ptr<X11Workspace>(
        new X11Workspace(display, std::move(ownDesktopId), std::move(applicationDirectories)));
}

X11Workspace::X11Workspace(Display* display, QString ownDesktopId, QStringList applicationDirectories)
    : display_(display), ownDesktopId_(std::move(ownDesktopId)), desktopEntries_(std::move(applicationDirectories)) {}

X11Workspace::~X11Workspace() { XCloseDisplay(display_); }

std::optional<QString> X11Workspace::desktopIdForWMClass(const QString& instance, const QString& windowClass) {
    return desktopEntries_.desktopIdForWMClass(instance, windowClass);
}

std::optional<RunningApplication> X11Workspace::frontmostApplication() {
    const std::optional<unsigned long> window =
        X11Support::windowPropertyItem(display_, DefaultRootWindow(display_), "_NET_ACTIVE_WINDOW", XA_WINDOW);
    if (!window || *window == None) {
        return std::nullopt;
    }
    // Window managers leave a window that was just hidden (our panel) as the active
    // one until another takes the focus: a hidden window is in front of nothing.
    XWindowAttributes attributes {};
    if (XGetWindowAttributes(display_, static_cast<Window>(*window), &attributes) == 0 ||
        attributes.map_state != IsViewable) {
        return std::nullopt;
    }
    RunningApplication application;
    application.processIdentifier = X11Support::windowProcessId(display_, *window);
    application.bundleIdentifier = X11Support::windowApplicationId(display_, *window, desktopEntries_);
    return application;
}

bool X11Workspace::openUrl(const QUrl& url, QString* error) { return XdgOpener::openUrl(url, error); }

bool X11Workspace::revealFile(const QString& path, QString* error) { return XdgOpener::revealFile(path, error); }

} // namespace quellpad
