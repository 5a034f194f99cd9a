// Small helpers shared by the Xlib-based backends.
#pragma once

#include <optional>

#include <QByteArray>
#include <QString>

typedef struct _XDisplay Display;

namespace quellpad::X11Support {

// Replaces Xlib's default error handler, which exits the process, with one that
// ignores protocol errors (a window that vanished between two requests is normal on
// a desktop). Idempotent; call before the first request on any connection.
void installErrorHandler();

// A property's bytes (8-bit items) or 32-bit items widened to unsigned long, as Xlib
// returns them; nullopt when absent.
std::optional<QByteArray> windowProperty(Display* display, unsigned long window, unsigned long property,
                                         unsigned long type, long maxLongs = 1 << 16);

// The atom's name; empty for None or on failure.
QString atomName(Display* display, unsigned long atom);

} // namespace quellpad::X11Support
