#include "platform/linux/X11Support.h"

#include <map>
#include <mutex>
#include <utility>

#include "platform/linux/DesktopEntryIndex.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace quellpad::X11Support {

namespace {

// Per connection: how many traps are alive (nested scopes share one) and the first
// error code not yet collected (0: none).
struct TrapState {
    int traps = 0;
    int firstError = 0;
};
std::mutex trapsMutex;
std::map<Display*, TrapState> traps;

int handleError(Display* display, XErrorEvent* event) {
    std::lock_guard lock(trapsMutex);
    if (const auto it = traps.find(display); it != traps.end() && it->second.firstError == 0) {
        it->second.firstError = event->error_code;
    }
    return 0;
}

// The text of a string property, up to its first NUL.
std::optional<QString> stringProperty(Display* display, Window window, const char* name) {
    const Atom property = XInternAtom(display, name, True);
    if (property == None) {
        return std::nullopt;
    }
    const std::optional<QByteArray> bytes = windowProperty(display, window, property, AnyPropertyType, 1024);
    if (!bytes || bytes->isEmpty()) {
        return std::nullopt;
    }
    const qsizetype end = bytes->indexOf('\0');
    const QString text = QString::fromUtf8(end < 0 ? *bytes : bytes->left(end)).trimmed();
    if (text.isEmpty()) {
        return std::nullopt;
    }
    return text;
}

QString withoutDesktopSuffix(QString id) {
    if (id.endsWith(QLatin1String(".desktop"))) {
        id.chop(8);
    }
    return id;
}

} // namespace

void installErrorHandler() {
    // Qt's xcb platform sets a handler of its own when the application starts, which
    // swallows the errors the traps wait for (a taken shortcut then looks grabbed):
    // take it back whenever a trap opens. Errors outside traps are ignored either way.
    std::lock_guard lock(trapsMutex);
    if (XSetErrorHandler(handleError) != handleError) {
        XSetErrorHandler(handleError);
    }
}

ErrorTrap::ErrorTrap(Display* display) : display_(display) {
    installErrorHandler();
    bool outermost = false;
    {
        std::lock_guard lock(trapsMutex);
        outermost = traps.find(display_) == traps.end();
    }
    if (outermost) {
        // Errors of earlier requests belong to no one here.
        XSync(display_, False);
    }
    std::lock_guard lock(trapsMutex);
    ++traps[display_].traps;
}

ErrorTrap::~ErrorTrap() {
    XSync(display_, False);
    std::lock_guard lock(trapsMutex);
    if (--traps[display_].traps == 0) {
        traps.erase(display_);
    }
}

int ErrorTrap::sync() {
    XSync(display_, False);
    std::lock_guard lock(trapsMutex);
    return std::exchange(traps[display_].firstError, 0);
}

QString errorText(Display* display, int errorCode) {
    char buffer[256] = {};
    XGetErrorText(display, errorCode, buffer, sizeof(buffer));
    return QString::fromLocal8Bit(buffer);
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

std::optional<unsigned long> windowPropertyItem(Display* display, unsigned long window, const char* property,
                                                unsigned long type) {
    const Atom atom = XInternAtom(display, property, True);
    if (atom == None) {
        return std::nullopt;
    }
    const std::optional<QByteArray> bytes = windowProperty(display, window, atom, type, 1);
    if (!bytes || bytes->size() < qsizetype(sizeof(unsigned long))) {
        return std::nullopt;
    }
    return *reinterpret_cast<const unsigned long*>(bytes->constData());
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

std::optional<QString> windowApplicationId(Display* display, unsigned long window, DesktopEntryIndex& entries) {
    if (auto id = stringProperty(display, window, "_GTK_APPLICATION_ID")) {
        return id;
    }
    if (auto file = stringProperty(display, window, "_KDE_NET_WM_DESKTOP_FILE")) {
        return withoutDesktopSuffix(*file);
    }
    const std::optional<QByteArray> wmClass = windowProperty(display, window, XA_WM_CLASS, XA_STRING, 256);
    if (!wmClass || wmClass->isEmpty()) {
        return std::nullopt;
    }
    const QList<QByteArray> parts = wmClass->split('\0');
    const QString instance = QString::fromUtf8(parts.value(0));
    const QString windowClass = QString::fromUtf8(parts.value(1));
    if (auto id = entries.desktopIdForWMClass(instance, windowClass)) {
        return id;
    }
    if (!windowClass.isEmpty()) {
        return windowClass;
    }
    if (!instance.isEmpty()) {
        return instance;
    }
    return std::nullopt;
}

qint64 windowProcessId(Display* display, unsigned long window) {
    return qint64(windowPropertyItem(display, window, "_NET_WM_PID", XA_CARDINAL).value_or(0));
}

} // namespace quellpad::X11Support
