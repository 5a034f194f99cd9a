#include "platform/linux/X11CompositorProbe.h"

#include <string>

#include <X11/Xlib.h>

namespace quellpad {

bool X11CompositorProbe::isCompositorRunning() {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return false;
    const std::string name = "_NET_WM_CM_S" + std::to_string(DefaultScreen(display));
    const Atom selection = XInternAtom(display, name.c_str(), False);
    const bool running = XGetSelectionOwner(display, selection) != None;
    XCloseDisplay(display);
    return running;
}

} // namespace quellpad
