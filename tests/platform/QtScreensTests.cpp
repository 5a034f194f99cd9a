// Qt's screens in the y-up convention: the conversion with made-up layouts, and the
// real Xvfb screen through Qt's xcb platform (in a child process, since the tests'
// own application runs on the offscreen platform).
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>

#include "platform/QtScreens.h"
#include "support/GtkEntryWindow.h"
#include "support/TestSupport.h"
#include "support/X11TestSupport.h"

using namespace quellpad;

namespace {

constexpr const char* childVariable = "QUELLPAD_QT_SCREENS_EXPECT";

// The height of the window manager's work area on the first desktop; -1 when unset.
long workAreaHeight(Display* display) {
    Atom type = None;
    int format = 0;
    unsigned long items = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    long height = -1;
    if (XGetWindowProperty(display, DefaultRootWindow(display), XInternAtom(display, "_NET_WORKAREA", False), 0, 4,
                           False, XA_CARDINAL, &type, &format, &items, &after, &data) == Success &&
        items == 4) {
        height = reinterpret_cast<const long*>(data)[3];
    }
    if (data != nullptr) {
        XFree(data);
    }
    return height;
}

} // namespace

TEST(QtScreensConversion, MeasuresFromThePrimaryScreensBottomLeftCorner) {
    const QRect primary(0, 0, 1920, 1080);
    struct Case {
        const char* layout;
        QRect geometry;
        QRect available;
        QRect primaryGeometry;
        QRectF frame;
        QRectF availableFrame;
    };
    const Case cases[] = {
        {"primary with a top panel", primary, QRect(0, 32, 1920, 1048), primary, {0, 0, 1920, 1080}, {0, 0, 1920, 1048}},
        {"primary with a bottom panel", primary, QRect(0, 0, 1920, 1040), primary, {0, 0, 1920, 1080}, {0, 40, 1920, 1040}},
        {"smaller screen to the right", QRect(1920, 0, 1280, 1024), QRect(1920, 0, 1280, 1024), primary,
         {1920, 56, 1280, 1024}, {1920, 56, 1280, 1024}},
        {"screen above", QRect(0, -900, 1600, 900), QRect(0, -900, 1600, 900), primary, {0, 1080, 1600, 900},
         {0, 1080, 1600, 900}},
        {"primary not at the desktop's origin", QRect(0, 0, 1280, 1024), QRect(0, 0, 1280, 1000),
         QRect(1280, 100, 1920, 1080), {-1280, 156, 1280, 1024}, {-1280, 180, 1280, 1000}},
    };
    for (const Case& c : cases) {
        const ScreenFrame converted = QtScreens::convert(c.geometry, c.available, c.primaryGeometry, 2.0, false);
        EXPECT_EQ(converted.frame, c.frame) << c.layout;
        EXPECT_EQ(converted.availableFrame, c.availableFrame) << c.layout;
        EXPECT_EQ(converted.devicePixelRatio, 2.0);
    }
    EXPECT_EQ(QtScreens::convert(QPointF(100, 100), primary), QPointF(100, 980));
    EXPECT_EQ(QtScreens::convert(QPointF(1300, 200), QRect(1280, 100, 1920, 1080)), QPointF(20, 980));
}

// Runs only as the child of the test below, on the xcb platform.
TEST(QtScreensOnXcbChild, ReportsWhatTheParentExpects) {
    const QList<QByteArray> expected = qgetenv(childVariable).split(' ');
    if (expected.size() != 4) {
        GTEST_FAIL() << "runs only as the child of X11QtScreens.ConvertsTheXvfbScreenThroughQt";
    }
    const double width = expected[0].toDouble();
    const double height = expected[1].toDouble();
    const QtScreens screens;
    std::vector<ScreenFrame> frames;
    // The window manager's work area arrives as a property change after start-up.
    const bool settled = test::processEventsUntil([&] {
        frames = screens.screens();
        return frames.size() == 1 && frames[0].availableFrame.height() < height;
    }, 10000);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_TRUE(settled) << "the bottom strut never showed in the available frame";
    EXPECT_TRUE(frames[0].isPrimary);
    EXPECT_EQ(frames[0].frame, QRectF(0, 0, width, height));
    EXPECT_EQ(frames[0].availableFrame, QRectF(0, 40, width, height - 40)) << "a bottom strut raises the origin";
    EXPECT_EQ(screens.pointerLocation(), std::optional<QPointF>(QPointF(expected[2].toDouble(), height - expected[3].toDouble())));
}

TEST(X11QtScreens, ConvertsTheXvfbScreenThroughQt) {
    QUELLPAD_REQUIRE_X11();
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) {
        GTEST_SKIP() << "needs xdotool";
    }
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    const int width = DisplayWidth(display, DefaultScreen(display));
    const int height = DisplayHeight(display, DefaultScreen(display));
    // A dock along the bottom edge reserving 40 pixels, as a desktop panel does.
    const Window dock = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, height - 40, width, 40, 0, 0, 0);
    const Atom dockType = XInternAtom(display, "_NET_WM_WINDOW_TYPE_DOCK", False);
    XChangeProperty(display, dock, XInternAtom(display, "_NET_WM_WINDOW_TYPE", False), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&dockType), 1);
    const long strut[12] = {0, 0, 0, 40, 0, 0, 0, 0, 0, 0, 0, width - 1};
    XChangeProperty(display, dock, XInternAtom(display, "_NET_WM_STRUT_PARTIAL", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(strut), 12);
    XMapWindow(display, dock);
    XSync(display, False);
    const bool reserved = test::processEventsUntil([&] { return workAreaHeight(display) == height - 40; });

    QProcess child;
    if (reserved) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        environment.insert(QString::fromLatin1(childVariable), QStringLiteral("%1 %2 123 456").arg(width).arg(height));
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::MergedChannels);
        test::runTool(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QStringLiteral("123"), QStringLiteral("456")});
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=QtScreensOnXcbChild.*")});
        child.waitForFinished(60000);
    }
    XDestroyWindow(display, dock);
    XCloseDisplay(display);
    ASSERT_TRUE(reserved) << "the window manager did not reserve the dock's strut";
    const QString output = QString::fromUtf8(child.readAll());
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("[  PASSED  ] 1 test"))) << output.toStdString();
}
