// Remembering the active window and giving it the focus back, under openbox on the
// test display, with a GTK window and xlogo as the two applications.
#include <gtest/gtest.h>

#include "platform/linux/X11WindowActivation.h"
#include "support/GtkEntryWindow.h"
#include "support/TestSupport.h"
#include "support/X11TestSupport.h"

using namespace quellpad;

namespace {

#define QUELLPAD_REQUIRE_GTK_WINDOW()                                                          \
    do {                                                                                       \
        QUELLPAD_REQUIRE_X11();                                                                \
        if (!test::canRunGtkEntryWindow()) GTEST_SKIP() << "needs xdotool and python3-gi";     \
    } while (false)

} // namespace

TEST(X11WindowActivation, GivesTheFocusBackToTheRememberedWindow) {
    QUELLPAD_REQUIRE_GTK_WINDOW();
    if (QStandardPaths::findExecutable(QStringLiteral("xlogo")).isEmpty()) {
        GTEST_SKIP() << "needs xlogo (x11-apps)";
    }
    QString error;
    auto activation = X11WindowActivation::open(&error);
    ASSERT_NE(activation, nullptr) << error.toStdString();
    ASSERT_TRUE(activation->windowManagerActivates()) << "the tests run under an EWMH window manager";

    test::GtkEntryWindow entry(QStringLiteral("Quellpad activation target"));
    ASSERT_TRUE(entry.start(&error)) << error.toStdString();
    std::optional<ActiveWindow> remembered;
    ASSERT_TRUE(test::processEventsUntil([&] {
        remembered = activation->activeWindow();
        return remembered && remembered->windowId == entry.windowId();
    }));
    EXPECT_GT(remembered->processIdentifier, 0);
    ASSERT_TRUE(remembered->applicationId.has_value());
    EXPECT_EQ(remembered->applicationId->toLower().toStdString(), "quellpad-test-entry");
    EXPECT_TRUE(activation->isActive(*remembered));

    QProcess logo;
    logo.start(QStringLiteral("xlogo"), {QStringLiteral("-geometry"), QStringLiteral("200x200+600+400")});
    ASSERT_TRUE(logo.waitForStarted());
    ASSERT_TRUE(test::processEventsUntil([&] {
        const auto active = activation->activeWindow();
        return active && active->windowId != entry.windowId();
    }, 10000)) << "xlogo did not take the focus";
    EXPECT_FALSE(activation->isActive(*remembered));

    // The server gives a departed client's window ids to the next client: the same id
    // in another process is another window, and is neither activated nor active.
    ActiveWindow reused = *remembered;
    reused.processIdentifier += 100000;
    EXPECT_FALSE(activation->requestActivation(reused, 0));

    ASSERT_TRUE(activation->requestActivation(*remembered, 0));
    EXPECT_TRUE(test::processEventsUntil([&] { return activation->isActive(*remembered); }));
    EXPECT_FALSE(activation->isActive(reused));
    EXPECT_EQ(test::activeWindowId(), entry.windowId()) << "xdotool sees the same window active";

    logo.terminate();
    logo.waitForFinished();
}

TEST(X11WindowActivation, AClosedWindowCannotBeActivated) {
    QUELLPAD_REQUIRE_GTK_WINDOW();
    auto activation = X11WindowActivation::open();
    ASSERT_NE(activation, nullptr);
    test::GtkEntryWindow entry(QStringLiteral("Quellpad closing window"));
    QString error;
    ASSERT_TRUE(entry.start(&error)) << error.toStdString();
    const ActiveWindow gone{entry.windowId(), std::nullopt, 0};
    entry.close();
    EXPECT_FALSE(activation->requestActivation(gone, 0));
    EXPECT_FALSE(activation->isActive(gone));
    EXPECT_FALSE(activation->requestActivation(ActiveWindow{}, 0)) << "no window at all";
}

namespace {

// An Xvfb of the test's own, without a window manager.
class BareXServer {
public:
    BareXServer() {
        process_.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
                                                QStringLiteral("tcp"), QStringLiteral("-noreset"), QStringLiteral("-screen"),
                                                QStringLiteral("0"), QStringLiteral("640x480x24")});
        QByteArray number;
        test::processEventsUntil([&] {
            number += process_.readAllStandardOutput();
            return number.contains('\n') || process_.state() == QProcess::NotRunning;
        }, 10000);
        if (number.contains('\n')) {
            name_ = ':' + number.trimmed();
        }
    }
    ~BareXServer() {
        process_.terminate();
        process_.waitForFinished(5000);
    }
    const QByteArray& name() const { return name_; }

private:
    QProcess process_;
    QByteArray name_;
};

} // namespace

TEST(X11WindowActivationWithoutWindowManager, FocusesTheWindowItselfAndWalksUpToTheTopLevel) {
    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty()) {
        GTEST_SKIP() << "needs Xvfb";
    }
    BareXServer server;
    ASSERT_FALSE(server.name().isEmpty()) << "Xvfb did not start";
    Display* display = XOpenDisplay(server.name().constData());
    ASSERT_NE(display, nullptr);
    const Window root = DefaultRootWindow(display);
    const Window first = XCreateSimpleWindow(display, root, 0, 0, 100, 100, 0, 0, 0);
    const Window child = XCreateSimpleWindow(display, first, 10, 10, 20, 20, 0, 0, 0);
    const Window second = XCreateSimpleWindow(display, root, 200, 0, 100, 100, 0, 0, 0);
    const Window unmapped = XCreateSimpleWindow(display, root, 400, 0, 100, 100, 0, 0, 0);
    XMapWindow(display, child);
    XMapWindow(display, first);
    XMapWindow(display, second);
    XSetInputFocus(display, child, RevertToParent, CurrentTime);
    XSync(display, False);

    QString error;
    auto activation = X11WindowActivation::open(&error, server.name());
    ASSERT_NE(activation, nullptr) << error.toStdString();
    EXPECT_FALSE(activation->windowManagerActivates());
    const std::optional<ActiveWindow> active = activation->activeWindow();
    ASSERT_TRUE(active.has_value());
    EXPECT_EQ(active->windowId, first) << "the focused child's top-level window";

    const ActiveWindow other{second, std::nullopt, 0};
    ASSERT_TRUE(activation->requestActivation(other, 0));
    EXPECT_TRUE(activation->isActive(other));
    EXPECT_FALSE(activation->isActive(*active));
    EXPECT_FALSE(activation->requestActivation(ActiveWindow{unmapped, std::nullopt, 0}, 0)) << "not viewable";
    XDestroyWindow(display, second);
    XSync(display, False);
    EXPECT_FALSE(activation->requestActivation(other, 0)) << "destroyed";
    activation.reset();
    XCloseDisplay(display);
}
