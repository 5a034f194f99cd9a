// The compositor's window list and virtual keyboard against headless Sway (started by
// scripts/test-environment.sh), with native Wayland GTK windows as the other
// applications. Skipped where no compositor runs.
#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include "platform/linux/WaylandKeySynthesizer.h"
#include "platform/linux/WaylandToplevels.h"
#include "platform/linux/WaylandWorkspace.h"
#include "support/GtkEntryWindow.h"
#include "support/TestSupport.h"

namespace quellpad {
namespace {

using test::processEventsUntil;

const QString entryAppId = QStringLiteral("quellpad-test-entry");

class WaylandDesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        socket = qgetenv("QUELLPAD_TEST_WAYLAND_DISPLAY");
        if (socket.isEmpty() || !test::canRunGtkEntryWindow()) {
            GTEST_SKIP() << "needs headless Sway and python3-gi (scripts/test.sh starts them)";
        }
        QString error;
        toplevels = WaylandToplevels::open(&error, socket, {QStringLiteral("quellpad")});
        ASSERT_TRUE(toplevels) << error.toStdString();
    }

    // Opens a GTK window on the compositor and waits until it is the activated toplevel.
    ActiveWindow openWindow(test::GtkEntryWindow& window, std::optional<ActiveWindow> replacing = std::nullopt) {
        QString error;
        EXPECT_TRUE(window.startOnWayland(QString::fromUtf8(socket), &error)) << error.toStdString();
        std::optional<ActiveWindow> active;
        EXPECT_TRUE(processEventsUntil([&] {
            active = toplevels->activeWindow();
            return active && active->applicationId == entryAppId && (!replacing || !(*active == *replacing));
        }));
        return active.value_or(ActiveWindow{});
    }

    void copy(const QByteArray& text) {
        QProcess wlCopy;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("WAYLAND_DISPLAY"), QString::fromUtf8(socket));
        wlCopy.setProcessEnvironment(environment);
        wlCopy.start(QStringLiteral("wl-copy"), {});
        wlCopy.write(text);
        wlCopy.closeWriteChannel();
        ASSERT_TRUE(wlCopy.waitForFinished(10000));
        ASSERT_EQ(wlCopy.exitCode(), 0);
    }

    QByteArray socket;
    std::unique_ptr<WaylandToplevels> toplevels;
};

TEST_F(WaylandDesktopTest, TheActiveWindowIsKnownActivatedAgainAndForgottenWhenClosed) {
    test::GtkEntryWindow first(QStringLiteral("Quellpad Wayland first"));
    const ActiveWindow firstWindow = openWindow(first);
    ASSERT_NE(firstWindow.windowId, 0u);
    EXPECT_EQ(firstWindow.processIdentifier, 0) << "another application's window is not ours";

    // What capture's ignore list sees.
    WaylandWorkspace workspace(QStringLiteral("org.example.Ours"), toplevels.get());
    ASSERT_TRUE(workspace.frontmostApplication());
    EXPECT_EQ(workspace.frontmostApplication()->bundleIdentifier, entryAppId);
    EXPECT_EQ(workspace.ownBundleIdentifier(), QStringLiteral("org.example.Ours"));
    WaylandWorkspace unknown(QStringLiteral("org.example.Ours"), nullptr);
    EXPECT_FALSE(unknown.frontmostApplication());

    test::GtkEntryWindow second(QStringLiteral("Quellpad Wayland second"));
    const ActiveWindow secondWindow = openWindow(second, firstWindow);
    ASSERT_NE(secondWindow.windowId, 0u);
    EXPECT_FALSE(toplevels->isActive(firstWindow));

    ASSERT_TRUE(toplevels->requestActivation(firstWindow, 0));
    EXPECT_TRUE(processEventsUntil([&] { return toplevels->isActive(firstWindow); }));
    EXPECT_FALSE(toplevels->isActive(secondWindow));

    // A window that is gone cannot be activated (and its id is never handed out again).
    second.close();
    EXPECT_TRUE(processEventsUntil([&] { return !toplevels->requestActivation(secondWindow, 0); }));
    test::GtkEntryWindow third(QStringLiteral("Quellpad Wayland third"));
    const ActiveWindow thirdWindow = openWindow(third, firstWindow);
    EXPECT_NE(thirdWindow.windowId, secondWindow.windowId);
    EXPECT_NE(thirdWindow.windowId, firstWindow.windowId);
}

TEST_F(WaylandDesktopTest, TheVirtualKeyboardPastesIntoTheActiveWindow) {
    QString error;
    EXPECT_FALSE(WaylandKeySynthesizer::open(&error, "/nonexistent/wayland-socket"));
    EXPECT_FALSE(error.isEmpty());

    // Made before the window, as the app makes it at start.
    std::unique_ptr<WaylandKeySynthesizer> keys = WaylandKeySynthesizer::open(&error, socket);
    ASSERT_TRUE(keys) << error.toStdString();
    copy("typed by the virtual keyboard");
    test::GtkEntryWindow target(QStringLiteral("Quellpad Wayland paste target"));
    openWindow(target);

    ASSERT_TRUE(keys->postPasteKeystroke(PasteKeystroke::controlV));
    EXPECT_TRUE(target.waitForText(QStringLiteral("typed by the virtual keyboard"))) << target.text().toStdString();
    // Terminals get Ctrl+Shift+V; each keystroke leaves no modifier behind.
    ASSERT_TRUE(keys->postPasteKeystroke(PasteKeystroke::controlShiftV));
    ASSERT_TRUE(keys->postPasteKeystroke(PasteKeystroke::controlV));
    // The chords that end in V, modifier presses left out.
    const auto chords = [&] { return target.keyPresses().filter(QRegularExpression(QStringLiteral("(^|\\+)v$"))); };
    EXPECT_TRUE(processEventsUntil([&] { return chords().size() >= 3; }));
    EXPECT_EQ(chords(), (QStringList{QStringLiteral("control+v"), QStringLiteral("control+shift+v"),
                                     QStringLiteral("control+v")}))
        << target.keyPresses().join(u'|').toStdString();
}

} // namespace
} // namespace quellpad
