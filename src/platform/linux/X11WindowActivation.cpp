#include "platform/linux/X11WindowActivation.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include "platform/linux/X11Support.h"

namespace quellpad {

namespace {

// _NET_ACTIVE_WINDOW's source indication for pagers and other tools acting for the
// user, which window managers honour without focus-stealing prevention.
constexpr long userActionSource = 2;
constexpr int maxClientSearchDepth = 4;

bool hasWMState(Display* display, Window window) {
    const Atom wmState = XInternAtom(display, "WM_STATE", True);
    return wmState != None && X11Support::windowProperty(display, window, wmState, AnyPropertyType, 1).has_value();
}

// The client window below a window manager's frame: the first descendant with WM_STATE.
Window clientBelow(Display* display, Window window, int depth) {
    if (hasWMState(display, window)) {
        return window;
    }
    if (depth == 0) {
        return None;
    }
    Window root = None;
    Window parent = None;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count)) {
        return None;
    }
    Window found = None;
    for (unsigned int i = 0; i < count && found == None; ++i) {
        found = clientBelow(display, children[i], depth - 1);
    }
    if (children != nullptr) {
        XFree(children);
    }
    return found;
}

} // namespace

std::unique_ptr<X11WindowActivation> X11WindowActivation::open(QString* error, const QByteArray& displayName,
                                                               QStringList applicationDirectories) {
    X11Support::installErrorHandler();
    Display* display = XOpenDisplay(displayName.isEmpty() ? nullptr : displayName.constData());
    if (display == nullptr) {
        if (error != nullptr) {
            *error = QStringLiteral("Cannot open the X display");
        }
        return nullptr;
    }
    return std::unique_ptr<X11WindowActivation>(new X11WindowActivation(display, std::move(applicationDirectories)));
}

X11WindowActivation::X11WindowActivation(Display* display, QStringList applicationDirectories)
    : display_(display), desktopEntries_(std::move(applicationDirectories)) {}

X11WindowActivation::~X11WindowActivation() { XCloseDisplay(display_); }

bool X11WindowActivation::windowManagerActivates() {
    const Window root = DefaultRootWindow(display_);
    const std::optional<unsigned long> check =
        X11Support::windowPropertyItem(display_, root, "_NET_SUPPORTING_WM_CHECK", XA_WINDOW);
    if (!check || *check == None) {
        return false;
    }
    // A stale check window (the manager died) does not point at itself.
    X11Support::ErrorTrap trap(display_);
    const std::optional<unsigned long> self =
        X11Support::windowPropertyItem(display_, *check, "_NET_SUPPORTING_WM_CHECK", XA_WINDOW);
    if (trap.sync() != 0 || self != check) {
        return false;
    }
    const Atom supported = XInternAtom(display_, "_NET_SUPPORTED", True);
    const Atom activeWindow = XInternAtom(display_, "_NET_ACTIVE_WINDOW", True);
    if (supported == None || activeWindow == None) {
        return false;
    }
    const std::optional<QByteArray> atoms = X11Support::windowProperty(display_, root, supported, XA_ATOM);
    if (!atoms) {
        return false;
    }
    const auto* items = reinterpret_cast<const unsigned long*>(atoms->constData());
    for (qsizetype i = 0; i < atoms->size() / qsizetype(sizeof(unsigned long)); ++i) {
        if (items[i] == activeWindow) {
            return true;
        }
    }
    return false;
}

unsigned long X11WindowActivation::topLevelOf(unsigned long window) {
    const Window rootWindow = DefaultRootWindow(display_);
    Window current = window;
    for (;;) {
        if (hasWMState(display_, current)) {
            return current;
        }
        Window root = None;
        Window parent = None;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(display_, current, &root, &parent, &children, &count)) {
            return None;
        }
        if (children != nullptr) {
            XFree(children);
        }
        if (parent == rootWindow || parent == None) {
            // A frame without WM_STATE has the client inside; without a window
            // manager, the child of the root is the top level.
            const Window client = clientBelow(display_, current, maxClientSearchDepth);
            return client != None ? client : current;
        }
        current = parent;
    }
}

std::optional<unsigned long> X11WindowActivation::activeTopLevel() {
    X11Support::ErrorTrap trap(display_);
    const Window root = DefaultRootWindow(display_);
    if (windowManagerActivates()) {
        const std::optional<unsigned long> active =
            X11Support::windowPropertyItem(display_, root, "_NET_ACTIVE_WINDOW", XA_WINDOW);
        if (!active || *active == None) {
            return std::nullopt;
        }
        // The manager updates the property a moment after the window is destroyed.
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display_, *active, &attributes) || trap.sync() != 0) {
            return std::nullopt;
        }
        return *active;
    }
    Window focus = None;
    int revertTo = 0;
    XGetInputFocus(display_, &focus, &revertTo);
    if (focus == None || focus == PointerRoot || focus == root) {
        return std::nullopt;
    }
    const unsigned long topLevel = topLevelOf(focus);
    if (trap.sync() != 0 || topLevel == None) {
        return std::nullopt;
    }
    return topLevel;
}

std::optional<ActiveWindow> X11WindowActivation::activeWindow() {
    const std::optional<unsigned long> window = activeTopLevel();
    if (!window) {
        return std::nullopt;
    }
    ActiveWindow active;
    active.windowId = *window;
    active.processIdentifier = X11Support::windowProcessId(display_, *window);
    active.applicationId = X11Support::windowApplicationId(display_, *window, desktopEntries_);
    return active;
}

bool X11WindowActivation::requestActivation(const ActiveWindow& window, std::uint32_t timestamp) {
    if (window.windowId == 0) {
        return false;
    }
    X11Support::ErrorTrap trap(display_);
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display_, window.windowId, &attributes) || trap.sync() != 0) {
        return false; // BadWindow: it was closed meanwhile
    }
    if (!stillTheSameWindow(window)) {
        return false; // closed, and its id given to another client's window
    }
    if (windowManagerActivates()) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window.windowId;
        event.xclient.message_type = XInternAtom(display_, "_NET_ACTIVE_WINDOW", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = userActionSource;
        event.xclient.data.l[1] = long(timestamp);
        event.xclient.data.l[2] = long(activeTopLevel().value_or(None));
        XSendEvent(display_, DefaultRootWindow(display_), False, SubstructureRedirectMask | SubstructureNotifyMask,
                   &event);
        return trap.sync() == 0;
    }
    if (attributes.map_state != IsViewable) {
        return false; // focus cannot go to an unmapped window
    }
    XRaiseWindow(display_, window.windowId);
    XSetInputFocus(display_, window.windowId, RevertToParent, timestamp == 0 ? CurrentTime : timestamp);
    return trap.sync() == 0;
}

bool X11WindowActivation::isActive(const ActiveWindow& window) {
    const std::optional<unsigned long> active = activeTopLevel();
    return active && *active == window.windowId && stillTheSameWindow(window);
}

bool X11WindowActivation::stillTheSameWindow(const ActiveWindow& window) {
    // The server hands a departed client's ids to the next client, so an id alone can
    // name another application's window by now: the process must match too.
    X11Support::ErrorTrap trap(display_);
    const qint64 processIdentifier = X11Support::windowProcessId(display_, window.windowId);
    if (trap.sync() != 0) {
        return false;
    }
    if (window.processIdentifier != 0 || processIdentifier != 0) {
        return processIdentifier == window.processIdentifier;
    }
    return !window.applicationId ||
           X11Support::windowApplicationId(display_, window.windowId, desktopEntries_) == window.applicationId;
}

} // namespace quellpad
