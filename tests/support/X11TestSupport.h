// Helpers for the tests that run against a real X server: xclip, and a scripted
// selection owner on its own connection (offers chosen targets, counts requests,
// or never answers at all).
#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <thread>

#include <gtest/gtest.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryFile>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <unistd.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace quellpad::test {

// Xvfb resets itself (and refuses connections meanwhile) whenever its last client
// disconnects; one connection held for the whole run keeps it from doing so between tests.
inline Display* keepAliveDisplay() {
    static Display* const keepAlive = XOpenDisplay(nullptr);
    return keepAlive;
}

inline bool hasDisplay() { return !qEnvironmentVariableIsEmpty("DISPLAY") && keepAliveDisplay() != nullptr; }

// Maps a window and waits until the window manager has shown it (a window that is not
// shown never counts as the active application's). False when it never was.
inline bool mapAndWaitUntilViewable(Display* display, Window window, int timeoutMs = 5000) {
    XMapWindow(display, window);
    QElapsedTimer timer;
    timer.start();
    XWindowAttributes attributes {};
    while (XGetWindowAttributes(display, window, &attributes) != 0 && attributes.map_state != IsViewable) {
        if (timer.elapsed() > timeoutMs) return false;
        usleep(10000);
    }
    return attributes.map_state == IsViewable;
}

inline Window clipboardOwner() {
    Display* display = keepAliveDisplay();
    return XGetSelectionOwner(display, XInternAtom(display, "CLIPBOARD", False));
}

// CTest runs test cases in parallel processes, and the clipboard is one per display:
// each X11 test case holds this lock (per display) while it runs.
class DisplayLock {
public:
    DisplayLock() {
        QByteArray display = qgetenv("DISPLAY");
        display.replace(':', '_').replace('/', '_');
        fd_ = ::open(("/tmp/quellpad-x11-tests" + display + ".lock").constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd_ >= 0) {
            ::flock(fd_, LOCK_EX);
        }
    }
    ~DisplayLock() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    DisplayLock(const DisplayLock&) = delete;
    DisplayLock& operator=(const DisplayLock&) = delete;

private:
    int fd_ = -1;
};

#define QUELLPAD_REQUIRE_X11()                                                              \
    do {                                                                                     \
        if (!::quellpad::test::hasDisplay()) GTEST_SKIP() << "DISPLAY is not set";          \
        if (QStandardPaths::findExecutable(QStringLiteral("xclip")).isEmpty())               \
            GTEST_SKIP() << "xclip is not installed";                                        \
    } while (false)

// Copies bytes with xclip, which keeps serving them in the background until another
// owner takes over. Returns once xclip owns the selection.
inline bool xclipCopy(const QByteArray& bytes, const QString& type = QStringLiteral("UTF8_STRING")) {
    QTemporaryFile file;
    if (!file.open()) {
        return false;
    }
    file.write(bytes);
    file.flush();
    const Window previousOwner = clipboardOwner();
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(QStringLiteral("xclip"),
                  {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-t"), type,
                   QStringLiteral("-i"), file.fileName()});
    // The event loop keeps running meanwhile, as the application's would.
    QElapsedTimer elapsed;
    elapsed.start();
    while (process.state() != QProcess::NotRunning && elapsed.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    if (process.state() != QProcess::NotRunning || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        return false;
    }
    // xclip's background child takes the selection a moment after its parent exits.
    while (clipboardOwner() == previousOwner && elapsed.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return clipboardOwner() != previousOwner;
}

inline QByteArray xclipPaste(const QString& type = QStringLiteral("UTF8_STRING")) {
    QProcess process;
    process.start(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard"),
                                            QStringLiteral("-t"), type, QStringLiteral("-o")});
    process.waitForFinished(10000);
    return process.readAllStandardOutput();
}

// A selection owner under the test's control.
class ScriptedSelectionOwner {
public:
    // answers=false: takes the selection and never replies to anything.
    ScriptedSelectionOwner(std::map<QByteArray, QByteArray> targets, bool answers)
        : targets_(std::move(targets)), answers_(answers) {
        display_ = XOpenDisplay(nullptr);
        window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 1, 1, 0, 0, 0);
        clipboard_ = XInternAtom(display_, "CLIPBOARD", False);
        XSetSelectionOwner(display_, clipboard_, window_, CurrentTime);
        XSync(display_, False);
        thread_ = std::thread([this] { run(); });
    }
    ~ScriptedSelectionOwner() {
        stopping_ = true;
        thread_.join();
        XDestroyWindow(display_, window_);
        XCloseDisplay(display_);
    }
    int requestsFor(const QByteArray& target) {
        std::lock_guard lock(mutex_);
        return requests_[target];
    }

private:
    void run() {
        const int fd = ConnectionNumber(display_);
        while (!stopping_) {
            while (XPending(display_) > 0) {
                XEvent event;
                XNextEvent(display_, &event);
                if (event.type == SelectionRequest) {
                    handle(event.xselectionrequest);
                }
            }
            pollfd p{fd, POLLIN, 0};
            ::poll(&p, 1, 50);
        }
    }
    void handle(const XSelectionRequestEvent& request) {
        char* name = XGetAtomName(display_, request.target);
        const QByteArray target(name);
        XFree(name);
        {
            std::lock_guard lock(mutex_);
            ++requests_[target];
        }
        if (!answers_) {
            return;
        }
        XSelectionEvent reply{};
        reply.type = SelectionNotify;
        reply.requestor = request.requestor;
        reply.selection = request.selection;
        reply.target = request.target;
        reply.time = request.time;
        reply.property = None;
        if (target == "TARGETS") {
            std::vector<Atom> atoms;
            for (const auto& [t, v] : targets_) {
                atoms.push_back(XInternAtom(display_, t.constData(), False));
            }
            XChangeProperty(display_, request.requestor, request.property, XA_ATOM, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(atoms.data()), int(atoms.size()));
            reply.property = request.property;
        } else if (const auto it = targets_.find(target); it != targets_.end()) {
            XChangeProperty(display_, request.requestor, request.property, request.target, 8, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(it->second.constData()), int(it->second.size()));
            reply.property = request.property;
        }
        XSendEvent(display_, request.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&reply));
        XFlush(display_);
    }

    std::map<QByteArray, QByteArray> targets_;
    bool answers_;
    Display* display_ = nullptr;
    Window window_ = 0;
    Atom clipboard_ = 0;
    std::mutex mutex_;
    std::map<QByteArray, int> requests_;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

} // namespace quellpad::test
