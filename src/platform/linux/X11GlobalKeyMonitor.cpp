#include "platform/linux/X11GlobalKeyMonitor.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XInput2.h>

#include "Core/Utilities/Logger.h"
#include "platform/linux/X11Support.h"

namespace quellpad {

namespace {
const QString category = QStringLiteral("ClipboardMonitor");
}

X11GlobalKeyMonitor::X11GlobalKeyMonitor(QByteArray displayName) : displayName_(std::move(displayName)) {}

X11GlobalKeyMonitor::~X11GlobalKeyMonitor() { stop(); }

bool X11GlobalKeyMonitor::start(std::function<void(const GlobalKeyDownEvent&)> handler) {
    stop();
    std::lock_guard lock(mutex_);
    X11Support::installErrorHandler();
    Display* display = XOpenDisplay(displayName_.isEmpty() ? nullptr : displayName_.constData());
    if (display == nullptr) {
        return false;
    }
    int opcode = 0;
    int firstEvent = 0;
    int firstError = 0;
    int major = 2;
    int minor = 0;
    if (!XQueryExtension(display, "XInputExtension", &opcode, &firstEvent, &firstError) ||
        XIQueryVersion(display, &major, &minor) != Success) {
        Logger::warning(QStringLiteral("XInput2 is not available for watching copy shortcuts"), category);
        XCloseDisplay(display);
        return false;
    }
    unsigned char maskBits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(maskBits, XI_RawKeyPress);
    XIEventMask mask{XIAllMasterDevices, static_cast<int>(sizeof(maskBits)), maskBits};
    XISelectEvents(display, DefaultRootWindow(display), &mask, 1);
    XFlush(display);
    if (::pipe2(wakePipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
        XCloseDisplay(display);
        return false;
    }
    thread_ = std::thread([this, display, opcode, handler = std::move(handler)] { run(display, opcode, handler); });
    return true;
}

void X11GlobalKeyMonitor::stop() {
    std::lock_guard lock(mutex_);
    if (!thread_.joinable()) {
        return;
    }
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakePipe_[1], &byte, 1);
    thread_.join();
    ::close(wakePipe_[0]);
    ::close(wakePipe_[1]);
    wakePipe_[0] = wakePipe_[1] = -1;
}

void X11GlobalKeyMonitor::run(Display* display, int opcode, std::function<void(const GlobalKeyDownEvent&)> handler) {
    pollfd fds[2] = {{ConnectionNumber(display), POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
    for (;;) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            XGenericEventCookie* cookie = &event.xcookie;
            if (cookie->type != GenericEvent || cookie->extension != opcode || !XGetEventData(display, cookie)) {
                continue;
            }
            if (cookie->evtype == XI_RawKeyPress) {
                const auto* raw = static_cast<const XIRawEvent*>(cookie->data);
                GlobalKeyDownEvent keyDown;
                keyDown.isRepeat = (raw->flags & XIKeyRepeat) != 0;
                const KeySym keysym = XkbKeycodeToKeysym(display, static_cast<KeyCode>(raw->detail), 0, 0);
                // Printable Latin-1 keysyms equal their code points.
                if (keysym >= 0x20 && keysym <= 0x7e) {
                    keyDown.charactersIgnoringModifiers = QString(QChar(static_cast<char16_t>(keysym)));
                }
                Window root = 0;
                Window child = 0;
                int rootX = 0, rootY = 0, x = 0, y = 0;
                unsigned int modifiers = 0;
                XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY, &x, &y, &modifiers);
                keyDown.control = (modifiers & ControlMask) != 0;
                keyDown.alt = (modifiers & Mod1Mask) != 0;
                keyDown.super = (modifiers & Mod4Mask) != 0;
                keyDown.shift = (modifiers & ShiftMask) != 0;
                handler(keyDown);
            }
            XFreeEventData(display, cookie);
        }
        if (::poll(fds, 2, -1) < 0 && errno != EINTR) {
            break;
        }
        if ((fds[1].revents & POLLIN) != 0) {
            break;
        }
    }
    XCloseDisplay(display);
}

} // namespace quellpad
