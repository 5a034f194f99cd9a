#include "platform/linux/X11Support.h"

#include <mutex>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace quellpad::X11Support {

namespace {

int ignoreErrors(Display*, XErrorEvent*) { return 0; }

} // namespace

void installErrorHandler() {
    static std::once_flag once;
    std::call_once(once, [] { XSetErrorHandler(ignoreErrors); });
}

std::optional<QByteArray> windowProperty(Display* display, unsigned long window, unsigned long property,
                                         unsigned long type, long maxLongs) {
    Atom actualType = None;
    int actualFormat = 0;
    unsigned long items = 0;
    unsigned long bytesAfter = 0;
    unsigned char* data = nullptr;
    const int status = XGetWindowProperty(display, window, property, 0, maxLongs, False, type, &actualType,
                                          &actualFormat, &items, &bytesAfter, &data);
    if (status != Success || actualType == None) {
        if (data != nullptr) {
            XFree(data);
        }
        return std::nullopt;
    }
    const qsizetype unit = actualFormat == 32 ? qsizetype(sizeof(long)) : actualFormat == 16 ? 2 : 1;
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(items) * unit);
    XFree(data);
    return bytes;
}

QString atomName(Display* display, unsigned long atom) {
    if (atom == None) {
        return {};
    }
    char* name = XGetAtomName(display, atom);
    if (name == nullptr) {
        return {};
    }
    QString result = QString::fromUtf8(name);
    XFree(name);
    return result;
}

} // namespace quellpad::X11Support
