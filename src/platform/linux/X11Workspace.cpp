#include "platform/linux/X11Workspace.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QStandardPaths>

#include "platform/linux/X11Support.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace quellpad {

namespace {

constexpr qint64 desktopEntriesRefreshSeconds = 60;

// The text of a string property, up to its first NUL.
std::optional<QString> stringProperty(Display* display, Window window, const char* name) {
    const Atom property = XInternAtom(display, name, True);
    if (property == None) {
        return std::nullopt;
    }
    const std::optional<QByteArray> bytes = X11Support::windowProperty(display, window, property, AnyPropertyType, 1024);
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

std::unique_ptr<X11Workspace> X11Workspace::open(QString* error, const QByteArray& displayName, QString ownDesktopId,
                                                 QStringList applicationDirectories) {
    X11Support::installErrorHandler();
    Display* display = XOpenDisplay(displayName.isEmpty() ? nullptr : displayName.constData());
    if (display == nullptr) {
        if (error != nullptr) {
            *error = QStringLiteral("Cannot open the X display");
        }
        return nullptr;
    }
    if (applicationDirectories.isEmpty()) {
        for (const QString& dir : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
            applicationDirectories.append(dir + QStringLiteral("/applications"));
        }
    }
    return std::unique_ptr<X11Workspace>(
        new X11Workspace(display, std::move(ownDesktopId), std::move(applicationDirectories)));
}

X11Workspace::X11Workspace(Display* display, QString ownDesktopId, QStringList applicationDirectories)
    : display_(display), ownDesktopId_(std::move(ownDesktopId)), applicationDirectories_(std::move(applicationDirectories)) {}

X11Workspace::~X11Workspace() { XCloseDisplay(display_); }

void X11Workspace::loadDesktopEntries() {
    byStartupWMClass_.clear();
    byFileId_.clear();
    // Earlier directories win, as in the XDG lookup order.
    for (const QString& directory : applicationDirectories_) {
        QDirIterator it(directory, {QStringLiteral("*.desktop")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            // The desktop-file id: the path below applications/ with "/" as "-".
            const QString id = withoutDesktopSuffix(QDir(directory).relativeFilePath(path).replace(QLatin1Char('/'), QLatin1Char('-')));
            byFileId_.emplace(id.toLower(), id);
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly) || file.size() > 256 * 1024) {
                continue;
            }
            bool inMainGroup = false;
            while (!file.atEnd()) {
                const QByteArray line = file.readLine().trimmed();
                if (line.startsWith('[')) {
                    inMainGroup = line == "[Desktop Entry]";
                } else if (inMainGroup && line.startsWith("StartupWMClass=")) {
                    const QString wmClass = QString::fromUtf8(line.mid(15)).trimmed().toLower();
                    if (!wmClass.isEmpty()) {
                        byStartupWMClass_.emplace(wmClass, id);
                    }
                }
            }
        }
    }
    entriesLoadedAt_ = QDateTime::currentDateTimeUtc();
}

std::optional<QString> X11Workspace::desktopIdForWMClass(const QString& instance, const QString& windowClass) {
    auto lookup = [&]() -> std::optional<QString> {
        for (const QString& key : {windowClass.toLower(), instance.toLower()}) {
            if (key.isEmpty()) {
                continue;
            }
            if (const auto it = byStartupWMClass_.find(key); it != byStartupWMClass_.end()) {
                return it->second;
            }
            if (const auto it = byFileId_.find(key); it != byFileId_.end()) {
                return it->second;
            }
        }
        return std::nullopt;
    };
    const bool stale = !entriesLoadedAt_.isValid() ||
                       entriesLoadedAt_.secsTo(QDateTime::currentDateTimeUtc()) > desktopEntriesRefreshSeconds;
    if (stale) {
        loadDesktopEntries();
    }
    return lookup();
}

std::optional<RunningApplication> X11Workspace::frontmostApplication() {
    const Window root = DefaultRootWindow(display_);
    const Atom activeAtom = XInternAtom(display_, "_NET_ACTIVE_WINDOW", False);
    const std::optional<QByteArray> active = X11Support::windowProperty(display_, root, activeAtom, XA_WINDOW, 1);
    if (!active || active->size() < qsizetype(sizeof(unsigned long))) {
        return std::nullopt;
    }
    const Window window = *reinterpret_cast<const unsigned long*>(active->constData());
    if (window == None) {
        return std::nullopt;
    }

    RunningApplication application;
    const Atom pidAtom = XInternAtom(display_, "_NET_WM_PID", False);
    if (const auto pid = X11Support::windowProperty(display_, window, pidAtom, XA_CARDINAL, 1);
        pid && pid->size() >= qsizetype(sizeof(unsigned long))) {
        application.processIdentifier = qint64(*reinterpret_cast<const unsigned long*>(pid->constData()));
    }
    if (auto id = stringProperty(display_, window, "_GTK_APPLICATION_ID")) {
        application.bundleIdentifier = id;
        return application;
    }
    if (auto file = stringProperty(display_, window, "_KDE_NET_WM_DESKTOP_FILE")) {
        application.bundleIdentifier = withoutDesktopSuffix(*file);
        return application;
    }
    const std::optional<QByteArray> wmClass =
        X11Support::windowProperty(display_, window, XA_WM_CLASS, XA_STRING, 256);
    if (wmClass && !wmClass->isEmpty()) {
        const QList<QByteArray> parts = wmClass->split('\0');
        const QString instance = QString::fromUtf8(parts.value(0));
        const QString windowClass = QString::fromUtf8(parts.value(1));
        if (auto id = desktopIdForWMClass(instance, windowClass)) {
            application.bundleIdentifier = id;
        } else if (!windowClass.isEmpty()) {
            application.bundleIdentifier = windowClass;
        } else if (!instance.isEmpty()) {
            application.bundleIdentifier = instance;
        }
    }
    return application;
}

} // namespace quellpad
