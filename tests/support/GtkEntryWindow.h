// A GTK text-entry window in its own process (tests/support/gtk_entry.py), as the
// application that paste and activation tests work on, driven through xdotool.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace quellpad::test {

// Runs a command-line tool to its end (at most timeoutMs) and returns its trimmed
// standard output; ok tells whether it exited with 0 in time.
QString runTool(const QString& program, const QStringList& arguments, bool* ok = nullptr, int timeoutMs = 10000);

// The X window id xdotool reports as active; 0 when none.
unsigned long activeWindowId();

// True when python3 with GTK 3 and xdotool are there to run the window.
bool canRunGtkEntryWindow();

class GtkEntryWindow {
public:
    explicit GtkEntryWindow(QString title);
    ~GtkEntryWindow();
    GtkEntryWindow(const GtkEntryWindow&) = delete;
    GtkEntryWindow& operator=(const GtkEntryWindow&) = delete;

    // Starts the window and waits until it is mapped and has the focus.
    bool start(QString* error, int timeoutMs = 15000);
    // Starts the window as a native Wayland client of the compositor at socket (app id
    // "quellpad-test-entry") and waits until it is mapped; focus is the caller's to check.
    bool startOnWayland(const QString& socket, QString* error, int timeoutMs = 15000);
    unsigned long windowId() const { return windowId_; }
    // The entry's text as the window last wrote it.
    QString text() const;
    bool waitForText(const QString& expected, int timeoutMs = 5000) const;
    // Every key press the window saw, oldest first, as "control+shift+v"
    // (modifiers in the order control, alt, shift, super; the key in lower case).
    QStringList keyPresses() const;
    // Ends the process and waits until its window is gone.
    void close();

private:
    QString title_;
    QTemporaryDir directory_;
    QProcess process_;
    unsigned long windowId_ = 0;
};

} // namespace quellpad::test
