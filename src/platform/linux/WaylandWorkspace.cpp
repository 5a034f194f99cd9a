#include "platform/linux/WaylandWorkspace.h"

#include "Core/Utilities/Logger.h"
#include "platform/linux/WaylandToplevels.h"

namespace quellpad {

WaylandWorkspace::WaylandWorkspace(Workspace& base, WaylandToplevels* toplevels) : base_(base), toplevels_(toplevels) {
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

} // namespace quellpad
