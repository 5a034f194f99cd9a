// The real app in a Wayland session (headless Sway from scripts/test-environment.sh, with
// the test display as XWayland's stand-in): it picks the data-control backend by itself,
// says so in `status`, and captures wl-copy's copies as it does xclip's.
#include <iostream>

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include "support/AppProcess.h"

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

TEST_F(WaylandEndToEndTest, AnX11SessionStaysOnX11) {
    harness.setEnvironment("WAYLAND_DISPLAY", std::nullopt);
    ASSERT_TRUE(app.start()) << app.output().toStdString();
    const QJsonObject status = app.status();
    EXPECT_EQ(status.value(QStringLiteral("session")).toString(), QStringLiteral("x11"));
    EXPECT_EQ(status.value(QStringLiteral("captureBackend")).toString(), QStringLiteral("x11"));
}

} // namespace
} // namespace quellpad
