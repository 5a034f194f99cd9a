// Hands URLs and files to the user's applications the freedesktop way; needs no
// display server, so X11 and Wayland sessions share it.
#pragma once

#include <QString>
#include <QUrl>

namespace quellpad::XdgOpener {

// Through xdg-open, else `gio open`. False, with the reason in error, when neither starts.
bool openUrl(const QUrl& url, QString* error = nullptr);
// Through the file manager's org.freedesktop.FileManager1 interface, else opens the folder.
bool revealFile(const QString& path, QString* error = nullptr);

} // namespace quellpad::XdgOpener
