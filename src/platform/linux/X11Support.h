// Small helpers shared by the Xlib-based backends.
#pragma once

#include <optional>

#include <QByteArray>
#include <QString>

typedef struct _XDisplay Display;

namespace quellpad {
class DesktopEntryIndex;
}

namespace quellpad::X11Support {

// Replaces Xlib's default error handler, which exits the process, with one that
// ignores protocol errors (a window that vanished between two requests is normal on
// a desktop) unless an ErrorTrap is collecting them for that connection. Idempotent;
// call before the first request on any connection.
void installErrorHandler();

// Collects the protocol errors of one connection while alive, so a caller can tell
// whether its requests failed (a grab refused with BadAccess, a window gone). The
// process has one error handler for all connections and threads; traps of different
// connections do not see each other's errors. Traps of one connection may nest and
// share what they collect: sync before calling code that opens its own.
class ErrorTrap {
public:
    explicit ErrorTrap(Display* display);
    ~ErrorTrap();
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;

    // Waits for the server to process every request sent so far (XSync) and returns
    // the error code of the first one that failed since the last call; 0 when none did.
    int sync();

private:
    Display* display_;
};

// The X error code's text as Xlib has it ("BadAccess (attempt to access private resource denied)").
QString errorText(Display* display, int errorCode);

// A property's bytes (8-bit items) or 32-bit items widened to unsigned long, as Xlib
// returns them; nullopt when absent.
std::optional<QByteArray> windowProperty(Display* display, unsigned long window, unsigned long property,
                                         unsigned long type, long maxLongs = 1 << 16);

// The first 32-bit item (a window, a cardinal) of a property; nullopt when absent.
std::optional<unsigned long> windowPropertyItem(Display* display, unsigned long window, const char* property,
                                                unsigned long type);

// The atom's name; empty for None or on failure.
QString atomName(Display* display, unsigned long atom);

// The application id of a top-level window: _GTK_APPLICATION_ID, _KDE_NET_WM_DESKTOP_FILE,
// else the desktop entry matching WM_CLASS, else the WM_CLASS class (or instance).
std::optional<QString> windowApplicationId(Display* display, unsigned long window, DesktopEntryIndex& entries);

// The window's _NET_WM_PID; 0 when unknown.
qint64 windowProcessId(Display* display, unsigned long window);

} // namespace quellpad::X11Support
