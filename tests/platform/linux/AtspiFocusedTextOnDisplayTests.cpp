// The focused text element of a real GTK entry read over the accessibility bus, and
// the read giving up on an application that does not answer (a stopped process).
#include <gtest/gtest.h>

#include <csignal>

#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QThread>

#include "platform/linux/LinuxAccessibilityService.h"
#include "support/GtkEntryWindow.h"

using namespace quellpad;

namespace {

class AtspiFocusedTextOnDisplay : public ::testing::Test {
protected:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("DISPLAY") || qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") ||
            !QFile::exists(QStringLiteral("/usr/share/dbus-1/services/org.a11y.Bus.service")) ||
            !test::canRunGtkEntryWindow()) {
            GTEST_SKIP() << "needs an X display, a session bus with at-spi2-core and python3-gi";
        }
        QString error;
        ASSERT_TRUE(window.start(&error)) << error.toStdString();
        pid = test::runTool(QStringLiteral("xdotool"), {QStringLiteral("getwindowpid"), QString::number(window.windowId())})
                  .toLongLong();
        ASSERT_GT(pid, 0);
        test::runTool(QStringLiteral("xdotool"), {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"),
                                                  QStringLiteral("hello")});
        ASSERT_TRUE(window.waitForText(QStringLiteral("hello")));
    }

    // The window's client area in root coordinates, from xwininfo (xdotool's position
    // is off by the decorations under some window managers).
    QRect windowGeometry() const {
        const QString info = test::runTool(QStringLiteral("xwininfo"), {QStringLiteral("-id"), QString::number(window.windowId())});
        QRect rect;
        for (const QString& raw : info.split(u'\n')) {
            const QString line = raw.trimmed();
            const int value = line.section(u':', 1).trimmed().toInt();
            if (line.startsWith(QLatin1String("Absolute upper-left X:"))) rect.moveLeft(value);
            if (line.startsWith(QLatin1String("Absolute upper-left Y:"))) rect.moveTop(value);
            if (line.startsWith(QLatin1String("Width:"))) rect.setWidth(value);
            if (line.startsWith(QLatin1String("Height:"))) rect.setHeight(value);
        }
        return rect;
    }

    test::GtkEntryWindow window{QStringLiteral("Quellpad caret target")};
    LinuxAccessibilityService service;
    qint64 pid = 0;
};

TEST_F(AtspiFocusedTextOnDisplay, ReadsTheEntrysCaretAndExtents) {
    std::optional<FocusedTextElement> element;
    QElapsedTimer timer;
    timer.start();
    // The entry's accessible follows the typing a moment later.
    while (timer.elapsed() < 10000) {
        element = service.focusedTextElement(std::chrono::milliseconds(2000), pid);
        if (element && element->selection && element->selection->location == 5) break;
        QThread::msleep(50);
    }
    ASSERT_TRUE(element) << "no focused element found";
    EXPECT_TRUE(element->role == QLatin1String("entry") || element->role == QLatin1String("text"))
        << element->role.toStdString();
    EXPECT_TRUE(element->isEditable);
    ASSERT_TRUE(element->selection);
    EXPECT_EQ(*element->selection, (AccessibleTextRange{5, 0}));
    EXPECT_EQ(element->text, QStringLiteral("hello"));
    ASSERT_TRUE(element->frame && element->windowFrame && element->boundsAtLocation);
    const QRectF windowFrame(windowGeometry());
    EXPECT_TRUE(windowFrame.adjusted(-1, -1, 1, 1).contains(*element->frame))
        << element->frame->x() << "," << element->frame->y() << " in " << windowFrame.x() << "," << windowFrame.y();
    // The caret after "hello": inside the entry, right of its left edge, one line high.
    const QRectF caret = *element->boundsAtLocation;
    EXPECT_TRUE(element->frame->contains(caret.topLeft())) << caret.x() << "," << caret.y();
    EXPECT_GT(caret.x(), element->frame->left() + 10);
    EXPECT_GT(caret.height(), 5);
    EXPECT_LT(caret.height(), 60);
    // Another process id: nothing of this window.
    EXPECT_FALSE(service.focusedTextElement(std::chrono::milliseconds(2000), pid + 100000));
}

TEST_F(AtspiFocusedTextOnDisplay, AnApplicationThatDoesNotAnswerCostsTheBudgetOnly) {
    // Found once, so that the connection exists and the application is known to answer.
    ASSERT_TRUE(service.focusedTextElement(std::chrono::milliseconds(2000), pid));
    ASSERT_EQ(::kill(static_cast<pid_t>(pid), SIGSTOP), 0);
    QElapsedTimer timer;
    timer.start();
    const auto element = service.focusedTextElement(std::chrono::milliseconds(150), pid);
    const qint64 elapsed = timer.elapsed();
    ::kill(static_cast<pid_t>(pid), SIGCONT);
    EXPECT_FALSE(element);
    // Far below D-Bus's own 25 s; the exact figure is the benchmark's.
    EXPECT_LT(elapsed, 5000);
}

} // namespace
