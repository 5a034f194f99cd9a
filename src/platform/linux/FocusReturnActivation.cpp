#include "platform/linux/FocusReturnActivation.h"

#include <QGuiApplication>
#include <QWindow>

namespace quellpad {

namespace {
// A hidden window holds no focus, whatever Qt heard last from the compositor.
bool ownWindowHasFocus() {
    const QWindow* focused = QGuiApplication::focusWindow();
    return focused && focused->isVisible();
}
} // namespace

std::optional<ActiveWindow> FocusReturnActivation::activeWindow() {
    if (ownWindowHasFocus()) return std::nullopt;
    return ActiveWindow{}; // unnamed: neither its id nor its application is known
}

bool FocusReturnActivation::requestActivation(const ActiveWindow&, std::uint32_t) { return true; }

bool FocusReturnActivation::isActive(const ActiveWindow&) { return !ownWindowHasFocus(); }

} // namespace quellpad
