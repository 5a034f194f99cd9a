// The real app in a Wayland session (headless Sway from scripts/test-environment.sh, with
// the test display as XWayland's stand-in): it picks the data-control backend by itself,
// says so in `status`, and captures wl-copy's copies as it does xclip's.
#include <iostream>

#include <gtest/gtest.h>

#include "Core/Utilities/AppIdentity.h"

#include <QDeadlineTimer>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include "platform/linux/WaylandToplevels.h"
#include "settings/PreferenceKeys.h"
#include "support/AppProcess.h"
#include "support/GtkEntryWindow.h"
#include "support/TestCompositor.h"
#include "support/TestSupport.h"

namespace quellpad {
namespace {

class WaylandEndToEndTest : public ::testing::Test {
protected:
    test::CliHarness harness;
    test::AppProcess app{harness};

    void SetUp() override {
        socket = qEnvironmentVariable("QUELLPAD_TEST_WAYLAND_DISPLAY");
        if (socket.isEmpty() || qEnvironmentVariableIsEmpty("DISPLAY") ||
            QStandardPaths::findExecutable(QStringLiteral("wl-copy")).isEmpty()) {
            GTEST_SKIP() << "needs headless Sway, an X display and wl-clipboard (scripts/test.sh starts them)";
        }
        harness.setEnvironment("WAYLAND_DISPLAY", socket);
    }

    void TearDown() override {
        app.stop();
        copy({}, {QStringLiteral("--clear")});
    }

    void copy(const QByteArray& bytes, const QStringList& arguments = {}) const {
        QProcess wlCopy;
        QProcessEnvironment environment = harness.environment();
        environment.insert(QStringLiteral("WAYLAND_DISPLAY"), socket);
        wlCopy.setProcessEnvironment(environment);
        wlCopy.start(QStringLiteral("wl-copy"), arguments);
        wlCopy.write(bytes);
        wlCopy.closeWriteChannel();
        ASSERT_TRUE(wlCopy.waitForFinished(10000));
        ASSERT_EQ(wlCopy.exitCode(), 0);
    }

    std::vector<QJsonObject> waitForItems(size_t count, int timeoutMs = 10000) const {
        QDeadlineTimer deadline(timeoutMs);
        std::vector<QJsonObject> items;
        do {
            items = harness.spawn({QStringLiteral("list"), QStringLiteral("--json")}, {}, 30000).jsonLines();
            if (items.size() >= count) break;
            QThread::msleep(50); // the poll interval
        } while (!deadline.hasExpired());
        return items;
    }

    QString socket;
};

TEST_F(WaylandEndToEndTest, PicksDataControlAndCapturesWlCopyCopies) {
    ASSERT_TRUE(app.start()) << app.output().toStdString();
    const QJsonObject status = app.status();
    EXPECT_EQ(status.value(QStringLiteral("session")).toString(), QStringLiteral("wayland"));
    EXPECT_TRUE(status.value(QStringLiteral("captureBackend")).toString().endsWith(QLatin1String("-data-control")))
        << status.value(QStringLiteral("captureBackend")).toString().toStdString();
    EXPECT_TRUE(app.waitForOutput("Clipboard capture through Wayland"));

    copy("copied on wayland");
    ASSERT_EQ(waitForItems(1).size(), 1u) << app.output().toStdString();
    copy("copied on wayland");
    copy("second wayland copy");
    const std::vector<QJsonObject> items = waitForItems(2);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].value(QStringLiteral("preview")).toString(), QStringLiteral("second wayland copy"));
    EXPECT_EQ(items[1].value(QStringLiteral("preview")).toString(), QStringLiteral("copied on wayland"));
    const std::vector<QJsonObject> found =
        harness.spawn({QStringLiteral("search"), QStringLiteral("second"), QStringLiteral("--json")}, {}, 30000)
            .jsonLines();
    ASSERT_EQ(found.size(), 1u);

    // A burst as fast as wl-copy runs: every copy is kept.
    for (int i = 0; i < 20; ++i) {
        copy("wayland burst " + QByteArray::number(i));
    }
    // `list` shows the newest twenty: all of them should be the burst, newest first.
    QStringList expected;
    for (int i = 19; i >= 0; --i) expected << QStringLiteral("wayland burst %1").arg(i);
    QStringList previews;
    QDeadlineTimer deadline(10000);
    do {
        previews.clear();
        for (const QJsonObject& item : waitForItems(20)) previews << item.value(QStringLiteral("preview")).toString();
        if (previews == expected) break;
        QThread::msleep(50); // the poll interval
    } while (!deadline.hasExpired());
    std::cout << "[ measure ] " << previews.filter(QStringLiteral("wayland burst")).size()
              << " of 20 wl-copy copies kept" << std::endl;
    EXPECT_EQ(previews, expected) << previews.join(u'|').toStdString();
}

// Sessions without XWayland: no X display at all, and the app still records and opens
// its panel as a native Wayland window.
TEST_F(WaylandEndToEndTest, RunsWithoutAnXDisplay) {
    harness.setEnvironment("DISPLAY", std::nullopt);
    ASSERT_TRUE(app.start()) << app.output().toStdString();
    const QJsonObject status = app.status();
    EXPECT_EQ(status.value(QStringLiteral("session")).toString(), QStringLiteral("wayland"));
    EXPECT_TRUE(status.value(QStringLiteral("captureBackend")).toString().endsWith(QLatin1String("-data-control")));
    copy("copied without X");
    const std::vector<QJsonObject> items = waitForItems(1);
    ASSERT_EQ(items.size(), 1u) << app.output().toStdString();
    EXPECT_EQ(items[0].value(QStringLiteral("preview")).toString(), QStringLiteral("copied without X"));
    ASSERT_EQ(harness.spawn({QStringLiteral("toggle")}).exitCode, 0);
    EXPECT_TRUE(app.waitForStatus(
        [](const QJsonObject& current) { return current.value(QStringLiteral("panelVisible")).toBool(); }))
        << app.output().toStdString();
}

// Without a shortcut portal on the bus, `quellpad toggle` is the way in; the virtual
// keyboard pastes into a native Wayland application, from the command line and from the
// panel, itself a native Wayland window.
TEST_F(WaylandEndToEndTest, PastesIntoANativeWaylandEntryThroughTheVirtualKeyboard) {
    if (!test::canRunGtkEntryWindow() || QStandardPaths::findExecutable(QStringLiteral("wtype")).isEmpty()) {
        GTEST_SKIP() << "needs python3-gi and wtype";
    }
    harness.setEnvironment("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    const QString first = QString::fromUtf8(harness.spawn({QStringLiteral("add")}, "pasted on wayland").out).trimmed();
    ASSERT_FALSE(first.isEmpty());
    ASSERT_TRUE(app.start()) << app.output().toStdString();
    const QJsonObject status = app.status();
    EXPECT_EQ(status.value(QStringLiteral("shortcutBackend")).toString(), QStringLiteral("toggle-command"));
    EXPECT_EQ(status.value(QStringLiteral("pasteBackend")).toString(), QStringLiteral("virtual-keyboard"));
    EXPECT_TRUE(app.waitForOutput("bind a desktop shortcut to `quellpad toggle`"));

    test::GtkEntryWindow target(QStringLiteral("Quellpad Wayland entry"));
    QString error;
    ASSERT_TRUE(target.startOnWayland(socket, &error)) << error.toStdString();
    std::unique_ptr<WaylandToplevels> toplevels = WaylandToplevels::open(&error, socket.toUtf8());
    ASSERT_TRUE(toplevels) << error.toStdString();
    ASSERT_TRUE(test::pollUntil([&] {
        return toplevels->activeApplicationId() == QStringLiteral("quellpad-test-entry");
    }));

    const test::CliResult pasted = harness.spawn({QStringLiteral("paste"), first}, {}, 30000);
    EXPECT_EQ(pasted.exitCode, 0) << pasted.err.toStdString() << app.output().toStdString();
    EXPECT_TRUE(target.waitForText(QStringLiteral("pasted on wayland"))) << target.text().toStdString();

    // Return in the panel, with auto-paste on.
    ASSERT_EQ(harness.run({QStringLiteral("config"), QStringLiteral("set"),
                           PreferenceKeys::directPasteReturnKeyAutoPasteEnabled, QStringLiteral("true")})
                  .exitCode,
              0);
    ASSERT_EQ(harness.spawn({QStringLiteral("add")}, "returned").exitCode, 0);
    ASSERT_EQ(harness.spawn({QStringLiteral("toggle")}).exitCode, 0);
    ASSERT_TRUE(app.waitForStatus([](const QJsonObject& s) { return s.value(QStringLiteral("panelVisible")).toBool(); }));
    // The panel is a native Wayland window with the focus; wtype is the user's keyboard.
    ASSERT_TRUE(test::pollUntil([&] { return toplevels->activeApplicationId() == AppIdentity::applicationId; }))
        << toplevels->activeApplicationId().value_or(QStringLiteral("(none)")).toStdString();
    QProcess wtype;
    wtype.setProcessEnvironment(harness.environment());
    wtype.start(QStringLiteral("wtype"), {QStringLiteral("-k"), QStringLiteral("Return")});
    ASSERT_TRUE(wtype.waitForFinished(10000) && wtype.exitCode() == 0) << wtype.readAllStandardError().toStdString();
    EXPECT_TRUE(target.waitForText(QStringLiteral("pasted on waylandreturned"))) << target.text().toStdString()
                                                                                        << app.output().toStdString();
    EXPECT_TRUE(app.waitForStatus([](const QJsonObject& s) { return !s.value(QStringLiteral("panelVisible")).toBool(); }));
}

// The compositor's window list tells which application a copy came from, so the ignore
// list applies on Wayland too.
TEST_F(WaylandEndToEndTest, CopiesMadeWhileAnIgnoredApplicationIsActiveAreNotKept) {
    if (!test::canRunGtkEntryWindow()) GTEST_SKIP() << "needs python3-gi";
    ASSERT_EQ(harness.run({QStringLiteral("ignore"), QStringLiteral("add"), QStringLiteral("quellpad-test-entry")}).exitCode,
              0);
    ASSERT_TRUE(app.start()) << app.output().toStdString();
    test::GtkEntryWindow ignored(QStringLiteral("Quellpad ignored application"));
    QString error;
    ASSERT_TRUE(ignored.startOnWayland(socket, &error)) << error.toStdString();
    std::unique_ptr<WaylandToplevels> toplevels = WaylandToplevels::open(&error, socket.toUtf8());
    ASSERT_TRUE(toplevels) << error.toStdString();
    ASSERT_TRUE(test::pollUntil([&] {
        return toplevels->activeApplicationId() == QStringLiteral("quellpad-test-entry");
    }));

    double before = app.clipboardChangeCount();
    copy("made in the ignored application");
    ASSERT_TRUE(app.waitUntilCopyHandled(before));
    EXPECT_TRUE(waitForItems(0, 0).empty());

    ignored.close();
    ASSERT_TRUE(test::pollUntil([&] { return !toplevels->activeApplicationId(); }));
    copy("made with no window active");
    const std::vector<QJsonObject> items = waitForItems(1);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].value(QStringLiteral("preview")).toString(), QStringLiteral("made with no window active"));
}

TEST_F(WaylandEndToEndTest, ABurstOfTwoHundredCopiesLeavesTheLastOneOnTopAndNothingForeign) {
    ASSERT_TRUE(app.start()) << app.output().toStdString();
    constexpr int copies = 200;
    for (int i = 0; i < copies; ++i) {
        copy("long burst " + QByteArray::number(i));
    }
    std::vector<QJsonObject> items;
    ASSERT_TRUE(test::pollUntil(
        [&] {
            items = harness.spawn({QStringLiteral("list"), QStringLiteral("--limit"), QStringLiteral("500"),
                                   QStringLiteral("--json")},
                                  {}, 30000)
                        .jsonLines();
            return !items.empty() &&
                   items.front().value(QStringLiteral("preview")).toString() == QStringLiteral("long burst %1").arg(copies - 1);
        },
        30000))
        << app.output().toStdString();
    // Newest first, each one a copy that was made, none twice.
    int previous = copies;
    for (const QJsonObject& item : items) {
        const QString preview = item.value(QStringLiteral("preview")).toString();
        ASSERT_TRUE(preview.startsWith(QLatin1String("long burst "))) << preview.toStdString();
        const int index = preview.mid(11).toInt();
        EXPECT_LT(index, previous) << preview.toStdString();
        previous = index;
    }
    std::cout << "[ measure ] " << items.size() << " of " << copies << " wl-copy copies kept" << std::endl;
}

TEST_F(WaylandEndToEndTest, AnX11SessionStaysOnX11) {
    harness.setEnvironment("WAYLAND_DISPLAY", std::nullopt);
    ASSERT_TRUE(app.start()) << app.output().toStdString();
    const QJsonObject status = app.status();
    EXPECT_EQ(status.value(QStringLiteral("session")).toString(), QStringLiteral("x11"));
    EXPECT_EQ(status.value(QStringLiteral("captureBackend")).toString(), QStringLiteral("x11"));
    EXPECT_EQ(status.value(QStringLiteral("shortcutBackend")).toString(), QStringLiteral("x11"));
    EXPECT_EQ(status.value(QStringLiteral("pasteBackend")).toString(), QStringLiteral("x11"));
}


// The fake input requests as "authenticate <application>" and "code:state".
QStringList describe(const std::vector<test::FakeInputRequest>& requests) {
    QStringList sent;
    for (const test::FakeInputRequest& request : requests) {
        sent << (request.kind == test::FakeInputRequest::Kind::authenticate
                     ? QStringLiteral("authenticate ") + request.application
                     : QStringLiteral("%1:%2").arg(request.key).arg(request.state));
    }
    return sent;
}

// A session shaped like KDE Plasma's, played by the in-process compositor: ext-data-control
// and fake input, no virtual keyboard and no window list. The app captures through ext,
// pastes from the command line through fake input into whatever has the focus, and goes
// on doing both after the compositor crashed and came back. Its windows are on the test's
// X display: Qt 6.4's Wayland platform ends the process when the compositor goes away.
TEST(KWinSessionEndToEndTest, CapturesThroughExtAndPastesThroughFakeInputAcrossACompositorRestart) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        GTEST_SKIP() << "needs an X display for the app's windows (scripts/test.sh starts one)";
    }
    test::TestCompositor compositor;
    QString error;
    ASSERT_TRUE(compositor.start(&error)) << error.toStdString();
    test::CliHarness harness;
    harness.setEnvironment("WAYLAND_DISPLAY", QString::fromUtf8(compositor.socketPath()));
    test::AppProcess app{harness};
    app.setQtPlatform(QStringLiteral("xcb"));
    ASSERT_TRUE(app.start()) << app.output().toStdString();
    const QJsonObject status = app.status();
    EXPECT_EQ(status.value(QStringLiteral("captureBackend")).toString(), QStringLiteral("ext-data-control"));
    EXPECT_EQ(status.value(QStringLiteral("pasteBackend")).toString(), QStringLiteral("kwin-fake-input"))
        << app.output().toStdString();

    const QString textType = QStringLiteral("text/plain;charset=utf-8");
    // Copies text and pastes it back from the history: it is on the clipboard again and
    // Ctrl+V went out after authentication.
    auto copyAndPaste = [&](const QByteArray& text) {
        ASSERT_TRUE(compositor.setSelection({{textType, text}}));
        QString id;
        ASSERT_TRUE(test::pollUntil([&] {
            const std::vector<QJsonObject> items =
                harness.spawn({QStringLiteral("list"), QStringLiteral("--json")}, {}, 30000).jsonLines();
            if (items.empty() || items[0].value(QStringLiteral("preview")).toString() != QString::fromUtf8(text)) {
                return false;
            }
            id = items[0].value(QStringLiteral("id")).toString();
            return true;
        })) << app.output().toStdString();
        ASSERT_TRUE(compositor.setSelection({{textType, QByteArray("something else")}}));
        const test::CliResult pasted = harness.spawn({QStringLiteral("paste"), id}, {}, 30000);
        EXPECT_EQ(pasted.exitCode, 0) << pasted.err.toStdString() << app.output().toStdString();
        EXPECT_EQ(compositor.readSelection(textType), text);
        EXPECT_EQ(describe(compositor.fakeInputRequests()).join(u' '),
                  QStringLiteral("authenticate Quellpad 29:1 47:1 47:0 29:0"))
            << app.output().toStdString();
    };
    copyAndPaste("copied on plasma");

    auto captureBackend = [&] { return app.status().value(QStringLiteral("captureBackend")).toString(); };
    compositor.stop();
    EXPECT_TRUE(test::pollUntil([&] { return captureBackend() == QStringLiteral("none"); }));
    ASSERT_TRUE(compositor.start(&error)) << error.toStdString();
    EXPECT_TRUE(test::pollUntil([&] { return captureBackend() == QStringLiteral("ext-data-control"); }))
        << app.output().toStdString();
    EXPECT_TRUE(app.waitForOutput("Reconnected to the Wayland compositor"));
    copyAndPaste("copied after the restart");
}

} // namespace
} // namespace quellpad
