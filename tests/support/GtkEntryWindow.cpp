#include "support/GtkEntryWindow.h"

#include <QFile>
#include <QStandardPaths>

#include "support/TestSupport.h"

namespace quellpad::test {

namespace {

// The system's Python carries python3-gi; one earlier on PATH (a virtualenv) may not.
QString pythonWithGtk() {
    const QString system = QStringLiteral("/usr/bin/python3");
    return QFile::exists(system) ? system : QStringLiteral("python3");
}

} // namespace

QString runTool(const QString& program, const QStringList& arguments, bool* ok, int timeoutMs) {
    QProcess process;
    process.start(program, arguments);
    const bool finished = process.waitForFinished(timeoutMs);
    if (!finished) {
        process.kill();
        process.waitForFinished(1000);
    }
    if (ok != nullptr) {
        *ok = finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    }
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

unsigned long activeWindowId() {
    bool ok = false;
    const QString output = runTool(QStringLiteral("xdotool"), {QStringLiteral("getactivewindow")}, &ok);
    return ok ? output.toULong() : 0;
}

bool canRunGtkEntryWindow() {
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) {
        return false;
    }
    bool ok = false;
    runTool(pythonWithGtk(),
            {QStringLiteral("-c"), QStringLiteral("import gi; gi.require_version('Gtk', '3.0'); from gi.repository import Gtk")},
            &ok);
    return ok;
}

GtkEntryWindow::GtkEntryWindow(QString title) : title_(std::move(title)) {}

GtkEntryWindow::~GtkEntryWindow() { close(); }

bool GtkEntryWindow::start(QString* error, int timeoutMs) {
    auto fail = [&](const QString& reason) {
        if (error != nullptr) {
            *error = reason + QStringLiteral("; its output: ") + QString::fromUtf8(process_.readAllStandardError());
        }
        return false;
    };
    process_.start(pythonWithGtk(), {QStringLiteral(QUELLPAD_TEST_SUPPORT_DIR "/gtk_entry.py"), title_,
                                               directory_.filePath(QStringLiteral("text"))});
    if (!process_.waitForStarted(timeoutMs)) {
        return fail(QStringLiteral("python3 did not start"));
    }
    const bool mapped = processEventsUntil(
        [&] {
            if (process_.state() != QProcess::Running) {
                return true;
            }
            bool ok = false;
            const QString ids = runTool(QStringLiteral("xdotool"),
                                        {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                                         QLatin1Char('^') + title_ + QLatin1Char('$')},
                                        &ok);
            windowId_ = ok ? ids.split(QLatin1Char('\n')).value(0).toULong() : 0;
            return windowId_ != 0 && QFile::exists(directory_.filePath(QStringLiteral("text")));
        },
        timeoutMs);
    if (process_.state() != QProcess::Running) {
        return fail(QStringLiteral("the GTK window exited"));
    }
    if (!mapped) {
        return fail(QStringLiteral("the GTK window was not mapped in time"));
    }
    if (!processEventsUntil([&] { return activeWindowId() == windowId_; }, timeoutMs)) {
        return fail(QStringLiteral("the GTK window did not get the focus"));
    }
    return true;
}

bool GtkEntryWindow::startOnWayland(const QString& socket, QString* error, int timeoutMs) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("WAYLAND_DISPLAY"), socket);
    environment.insert(QStringLiteral("GDK_BACKEND"), QStringLiteral("wayland"));
    environment.remove(QStringLiteral("DISPLAY"));
    process_.setProcessEnvironment(environment);
    process_.start(pythonWithGtk(), {QStringLiteral(QUELLPAD_TEST_SUPPORT_DIR "/gtk_entry.py"), title_,
                                     directory_.filePath(QStringLiteral("text"))});
    const bool mapped = processEventsUntil(
        [&] {
            return process_.state() == QProcess::NotRunning || QFile::exists(directory_.filePath(QStringLiteral("text")));
        },
        timeoutMs);
    if (!mapped || process_.state() != QProcess::Running) {
        if (error) {
            *error = QStringLiteral("the GTK window did not map on Wayland; its output: ") +
                     QString::fromUtf8(process_.readAllStandardError());
        }
        return false;
    }
    return true;
}

QString GtkEntryWindow::text() const {
    return QString::fromUtf8(readFile(directory_.filePath(QStringLiteral("text"))));
}

QStringList GtkEntryWindow::keyPresses() const {
    return QString::fromUtf8(readFile(directory_.filePath(QStringLiteral("text.keys"))))
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

bool GtkEntryWindow::waitForText(const QString& expected, int timeoutMs) const {
    return processEventsUntil([&] { return text() == expected; }, timeoutMs);
}

void GtkEntryWindow::close() {
    if (process_.state() == QProcess::NotRunning) {
        return;
    }
    process_.terminate();
    if (!process_.waitForFinished(5000)) {
        process_.kill();
        process_.waitForFinished(5000);
    }
    // The server destroys the window when the client's connection closes.
    if (windowId_ != 0) {
        processEventsUntil([&] {
            bool ok = false;
            runTool(QStringLiteral("xdotool"), {QStringLiteral("getwindowname"), QString::number(windowId_)}, &ok);
            return !ok;
        });
    }
}

} // namespace quellpad::test
