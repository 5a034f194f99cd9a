// The frontmost application of an X11 session: the active window's application id
// (_GTK_APPLICATION_ID, _KDE_NET_WM_DESKTOP_FILE, else the desktop entry whose
// StartupWMClass or file name matches WM_CLASS, else the WM_CLASS class) and its
// process id (_NET_WM_PID). Uses its own connection; call from one thread.
#pragma once

#include <memory>

#include <QStringList>

#include "platform/Workspace.h"
#include "platform/linux/DesktopEntryIndex.h"

typedef struct _XDisplay Display;

namespace quellpad {

class X11Workspace final : public Workspace {
public:
    static constexpr const char* defaultOwnDesktopId = "quellpad";

    // nullptr, with the reason in error, when the display cannot be opened.
    // applicationDirectories defaults to the XDG data directories' "applications".
    static std::unique_ptr<X11Workspace> open(QString* error = nullptr, const QByteArray& displayName = {},
                                              QString ownDesktopId = QString::fromLatin1(defaultOwnDesktopId),
                                              QStringList applicationDirectories = {});
    ~X11Workspace() override;

    std::optional<RunningApplication> frontmostApplication() override;
    std::optional<QString> ownBundleIdentifier() const override { return ownDesktopId_; }
    // Through xdg-open, else `gio open`.
    bool openUrl(const QUrl& url, QString* error = nullptr) override;
    // Through the file manager's org.freedesktop.FileManager1 interface, else opens the folder.
    bool revealFile(const QString& path, QString* error = nullptr) override;

    // The application id for a window's WM_CLASS (instance, class) through the
    // installed desktop entries; exposed for tests.
    std::optional<QString> desktopIdForWMClass(const QString& instance, const QString& windowClass);

private:
    X11Workspace(Display* display, QString ownDesktopId, QStringList applicationDirectories);

    Display* display_;
    QString ownDesktopId_;
    DesktopEntryIndex desktopEntries_;
};

} // namespace quellpad
