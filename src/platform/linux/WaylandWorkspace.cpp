#include "platform/linux/WaylandWorkspace.h"

#include "Core/Utilities/Logger.h"
#include "platform/linux/WaylandToplevels.h"
#include "platform/linux/XdgOpener.h"

namespace quellpad {

WaylandWorkspace::WaylandWorkspace(QString ownAppId, WaylandToplevels* toplevels)
    : ownAppId_(std::move(ownAppId)), toplevels_(toplevels) {
    if (!toplevels_) {
        Logger::warning(QStringLiteral("This compositor does not tell which application is active: the ignore list "
                                       "cannot apply (copies marked secret are still skipped)"),
                        QStringLiteral("WaylandWorkspace"));
    }
}

std::optional<RunningApplication> WaylandWorkspace::frontmostApplication() {
    if (!toplevels_) return std::nullopt;
    const std::optional<QString> appId = toplevels_->activeApplicationId();
    if (!appId) return std::nullopt;
    return RunningApplication{appId, 0};
}

bool WaylandWorkspace::openUrl(const QUrl& url, QString* error) { return XdgOpener::openUrl(url, error); }

bool WaylandWorkspace::revealFile(const QString& path, QString* error) { return XdgOpener::revealFile(path, error); }

} // namespace quellpad
