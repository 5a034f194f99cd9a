#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <optional>

#include "capture/ClipboardMonitor.h"
#include "capture/RecordingHistoryRepository.h"
#include "history/ClipboardHistoryAutoCleanupRunner.h"
#include "platform/Clock.h"
#include "platform/OneShotTimer.h"
#include "platform/QtImageCodec.h"
#include "platform/fake/InMemoryDefaultsStore.h"
#include "platform/linux/X11Pasteboard.h"
#include "platform/linux/X11Workspace.h"
#include "support/TestSupport.h"

#include "support/X11TestSupport.h"

namespace quellpad {
namespace {

using test::processEventsUntil;
using test::xclipCopy;

class X11CaptureTest : public ::testing::Test {
protected:
    void SetUp() override {
        QUELLPAD_REQUIRE_X11();
        lock = std::make_unique<test::DisplayLock>();
        QString error;
        pasteboard = X11Pasteboard::open(&error);
        ASSERT_TRUE(pasteboard) << error.toStdString();
        workspace = X11Workspace::open(&error, {}, QStringLiteral("quellpad"), {applications.path()});
        ASSERT_TRUE(workspace) << error.toStdString();
        ClipboardMonitorDependencies dependencies{repository, runner, *pasteboard, *workspace, codec, defaults,
                                                  clock,      timers, {},          {},         {},    DistributionChannel::unknown};
        monitor = std::make_unique<ClipboardMonitor>(std::move(dependencies));
        monitor->startMonitoring(true);
    }

    std::vector<QString> capturedTexts() const {
        std::vector<QString> texts;
        for (const auto& insert : repository->inserts) {
            texts.push_back(insert.plainText);
        }
        return texts;
    }

    std::unique_ptr<test::DisplayLock> lock;
    QTemporaryDir applications;
    InMemoryDefaultsStore defaults;
    SystemClock clock;
    QtOneShotTimerScheduler timers;
    QtImageCodec codec;
    std::shared_ptr<test::RecordingHistoryRepository> repository = std::make_shared<test::RecordingHistoryRepository>();
    std::shared_ptr<ClipboardHistoryAutoCleanupRunner> runner =
        std::make_shared<ClipboardHistoryAutoCleanupRunner>(repository, defaults);
    std::unique_ptr<X11Pasteboard> pasteboard;
    std::unique_ptr<X11Workspace> workspace;
    std::unique_ptr<ClipboardMonitor> monitor;
};

TEST_F(X11CaptureTest, CapturesSuccessiveCopiesAndImages) {
    // xclip exits as soon as it is replaced, so a copy must be read before the next one
    // is made; on a loaded machine that can take longer than starting xclip again. (The
    // burst test below counts such copies instead.)
    ASSERT_TRUE(xclipCopy("first copy"));
    ASSERT_TRUE(processEventsUntil([&] { return repository->inserts.size() >= 1; }))
        << "unreadable changes: " << pasteboard->unreadableChangeCount();
    ASSERT_TRUE(xclipCopy("second copy"));
    ASSERT_TRUE(processEventsUntil([&] { return repository->inserts.size() >= 2; }))
        << "unreadable changes: " << pasteboard->unreadableChangeCount();
    EXPECT_EQ(capturedTexts(), (std::vector<QString>{"first copy", "second copy"}));

    QImage image(6, 4, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "png");
    ASSERT_TRUE(xclipCopy(png, QStringLiteral("image/png")));
    ASSERT_TRUE(processEventsUntil([&] { return repository->inserts.size() >= 3; }));
    EXPECT_EQ(repository->inserts[2].type, ClipboardContentType::image);
    EXPECT_EQ(repository->inserts[2].imageData, png);
    EXPECT_EQ(repository->inserts[2].preview, QStringLiteral("Image 6x4"));
}

TEST_F(X11CaptureTest, ABurstOfOwnersIsStoredCopyByCopyWhileTheMainThreadIsBusy) {
    constexpr int copies = 8;
    std::vector<std::unique_ptr<test::ScriptedSelectionOwner>> owners;
    std::vector<QString> expected;
    // The main thread handles no events meanwhile, as when it is busy storing an item.
    for (int k = 0; k < copies; ++k) {
        const QByteArray text = "burst copy " + QByteArray::number(k);
        expected.push_back(QString::fromUtf8(text));
        owners.push_back(std::make_unique<test::ScriptedSelectionOwner>(
            std::map<QByteArray, QByteArray>{{"UTF8_STRING", text}}, true));
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
    }
    // Every change is stored or counted as unreadable (the machine may be too loaded to
    // read one within its 30 ms); none is folded silently into a later one.
    ASSERT_TRUE(processEventsUntil(
        [&] { return qint64(repository->inserts.size()) + pasteboard->unreadableChangeCount() >= copies; }));
    processEventsUntil([] { return false; }, 200);
    EXPECT_EQ(qint64(repository->inserts.size()) + pasteboard->unreadableChangeCount(), copies);
    const std::vector<QString> captured = capturedTexts();
    EXPECT_GE(captured.size(), 2u);
    EXPECT_TRUE(std::is_sorted(captured.begin(), captured.end())) << "stored out of order";
    for (const QString& text : captured) {
        EXPECT_NE(std::find(expected.begin(), expected.end(), text), expected.end()) << text.toStdString();
    }
    EXPECT_EQ(captured.back(), expected.back());
}

// Serves one text through INCR, one small chunk every half second, as a slow or hostile
// owner would; like any owner it finishes a transfer it began after losing the selection.
class TricklingOwner {
public:
    explicit TricklingOwner(qsizetype totalBytes) : total_(totalBytes) {
        display_ = XOpenDisplay(nullptr);
        window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 1, 1, 0, 0, 0);
        clipboard_ = XInternAtom(display_, "CLIPBOARD", False);
        targets_ = XInternAtom(display_, "TARGETS", False);
        utf8_ = XInternAtom(display_, "UTF8_STRING", False);
        incr_ = XInternAtom(display_, "INCR", False);
        XSetSelectionOwner(display_, clipboard_, window_, CurrentTime);
        XSync(display_, False);
        thread_ = std::thread([this] { run(); });
    }
    ~TricklingOwner() {
        stopping_ = true;
        thread_.join();
        XDestroyWindow(display_, window_);
        XCloseDisplay(display_);
    }
    bool transferStarted() const { return chunksSent_ > 0; }

private:
    void run() {
        const int fd = ConnectionNumber(display_);
        while (!stopping_) {
            while (XPending(display_) > 0) {
                XEvent event;
                XNextEvent(display_, &event);
                if (event.type == SelectionRequest) {
                    answer(event.xselectionrequest);
                } else if (event.type == PropertyNotify && event.xproperty.window == requestor_ &&
                           event.xproperty.atom == property_ && event.xproperty.state == PropertyDelete) {
                    nextChunkAt_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
                }
            }
            if (requestor_ != None && nextChunkAt_ && std::chrono::steady_clock::now() >= *nextChunkAt_) {
                nextChunkAt_.reset();
                const QByteArray chunk(std::min<qsizetype>(4096, total_ - sent_), 'x');
                XChangeProperty(display_, requestor_, property_, utf8_, 8, PropModeReplace,
                                reinterpret_cast<const unsigned char*>(chunk.constData()), int(chunk.size()));
                XFlush(display_);
                sent_ += chunk.size();
                ++chunksSent_;
            }
            pollfd p{fd, POLLIN, 0};
            ::poll(&p, 1, 20);
        }
    }
    void answer(const XSelectionRequestEvent& request) {
        XSelectionEvent reply{};
        reply.type = SelectionNotify;
        reply.requestor = request.requestor;
        reply.selection = request.selection;
        reply.target = request.target;
        reply.time = request.time;
        reply.property = request.property;
        if (request.target == targets_) {
            const Atom offered[] = {targets_, utf8_};
            XChangeProperty(display_, request.requestor, request.property, XA_ATOM, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(offered), 2);
        } else if (request.target == utf8_) {
            requestor_ = request.requestor;
            property_ = request.property;
            XSelectInput(display_, requestor_, PropertyChangeMask);
            const long size = long(total_);
            XChangeProperty(display_, requestor_, property_, incr_, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(&size), 1);
        } else {
            reply.property = None;
        }
        XSendEvent(display_, request.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&reply));
        XFlush(display_);
    }

    qsizetype total_;
    qsizetype sent_ = 0;
    Display* display_ = nullptr;
    Window window_ = None;
    Window requestor_ = None;
    Atom clipboard_ = None, targets_ = None, utf8_ = None, incr_ = None, property_ = None;
    std::optional<std::chrono::steady_clock::time_point> nextChunkAt_;
    std::atomic<int> chunksSent_{0};
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

TEST_F(X11CaptureTest, ANewOwnerCutsShortASlowIncrementalTransfer) {
    test::LogCapture logs;
    // 1 MB at 4 KB per half second would take minutes.
    TricklingOwner slow(1024 * 1024);
    ASSERT_TRUE(processEventsUntil([&] { return slow.transferStarted(); }));
    ASSERT_TRUE(xclipCopy("made meanwhile"));
    // Long before the slow transfer's own time bound (15 s) would end it.
    ASSERT_TRUE(processEventsUntil([&] { return !repository->inserts.empty(); }, 5000));
    EXPECT_EQ(capturedTexts(), std::vector<QString>{QStringLiteral("made meanwhile")});
    EXPECT_TRUE(logs.contains(LogLevel::warning, QStringLiteral("X11Clipboard"),
                              QStringLiteral("Abandoned the incremental transfer of UTF8_STRING")));
}

TEST_F(X11CaptureTest, OwnWritesAndPausedCopiesAreNotCaptured) {
    monitor->performWithoutCapture(
        [&] { ASSERT_TRUE(pasteboard->write({{PasteboardTypes::plainText, QByteArray("copied back")}})); });
    monitor->pauseTemporarily();
    const qint64 beforePausedCopy = pasteboard->changeCount();
    ASSERT_TRUE(xclipCopy("while paused"));
    // The change is registered a moment after xclip returns (once its content is read).
    ASSERT_TRUE(processEventsUntil([&] { return pasteboard->changeCount() > beforePausedCopy; }));
    monitor->resumeFromTemporaryPause();
    ASSERT_TRUE(xclipCopy("after resume"));
    ASSERT_TRUE(processEventsUntil([&] { return !repository->inserts.empty(); }));
    // Give a wrongly captured write time to show up.
    processEventsUntil([] { return false; }, 300);
    EXPECT_EQ(capturedTexts(), (std::vector<QString>{"after resume"}));
}

// A client window that claims to be active, with the properties window managers set.
class ActiveWindow {
public:
    explicit ActiveWindow(const std::vector<std::pair<const char*, QByteArray>>& stringProperties,
                          unsigned long pid, bool mapped = true) {
        display_ = XOpenDisplay(nullptr);
        window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 10, 10, 0, 0, 0);
        for (const auto& [name, value] : stringProperties) {
            const Atom property = std::string_view(name) == "WM_CLASS" ? XA_WM_CLASS : XInternAtom(display_, name, False);
            const Atom type = property == XA_WM_CLASS ? XA_STRING : XInternAtom(display_, "UTF8_STRING", False);
            XChangeProperty(display_, window_, property, type, 8, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(value.constData()), int(value.size()));
        }
        XChangeProperty(display_, window_, XInternAtom(display_, "_NET_WM_PID", False), XA_CARDINAL, 32,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(&pid), 1);
        if (mapped) {
            // The window manager maps it (and may make it active itself) in its own time.
            EXPECT_TRUE(test::mapAndWaitUntilViewable(display_, window_));
        }
        const Window w = window_;
        XChangeProperty(display_, DefaultRootWindow(display_), XInternAtom(display_, "_NET_ACTIVE_WINDOW", False),
                        XA_WINDOW, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(&w), 1);
        XSync(display_, False);
    }
    ~ActiveWindow() {
        XDeleteProperty(display_, DefaultRootWindow(display_), XInternAtom(display_, "_NET_ACTIVE_WINDOW", False));
        XDestroyWindow(display_, window_);
        XCloseDisplay(display_);
    }

private:
    Display* display_;
    Window window_;
};

TEST_F(X11CaptureTest, FrontmostApplicationIdFollowsTheLookupOrder) {
    ASSERT_TRUE(test::writeFile(applications.filePath(QStringLiteral("org.example.Notes.desktop")),
                                "[Desktop Entry]\nName=Notes\nStartupWMClass=NotesMain\n"));
    QDir(applications.path()).mkpath(QStringLiteral("vendor"));
    ASSERT_TRUE(test::writeFile(applications.filePath(QStringLiteral("vendor/editor.desktop")), "[Desktop Entry]\n"));
    const struct {
        const char* name;
        std::vector<std::pair<const char*, QByteArray>> properties;
        QString expected;
    } rows[] = {
        {"gtk id", {{"_GTK_APPLICATION_ID", "org.gnome.TextEditor"}, {"WM_CLASS", QByteArray("te\0Te\0", 6)}},
         QStringLiteral("org.gnome.TextEditor")},
        {"kde desktop file", {{"_KDE_NET_WM_DESKTOP_FILE", "org.kde.kate"}}, QStringLiteral("org.kde.kate")},
        {"startup wm class", {{"WM_CLASS", QByteArray("notes\0NotesMain\0", 16)}}, QStringLiteral("org.example.Notes")},
        {"desktop file name", {{"WM_CLASS", QByteArray("x\0Vendor-Editor\0", 16)}}, QStringLiteral("vendor-editor")},
        {"wm class only", {{"WM_CLASS", QByteArray("xterm\0XTerm\0", 12)}}, QStringLiteral("XTerm")},
    };
    for (const auto& row : rows) {
        ActiveWindow active(row.properties, 4321);
        const std::optional<RunningApplication> frontmost = workspace->frontmostApplication();
        ASSERT_TRUE(frontmost) << row.name;
        EXPECT_EQ(frontmost->bundleIdentifier, row.expected) << row.name;
        EXPECT_EQ(frontmost->processIdentifier, 4321) << row.name;
    }
    EXPECT_FALSE(workspace->frontmostApplication());

    // A window that was just hidden can stay "active": it is in front of nothing.
    ActiveWindow hidden({{"_GTK_APPLICATION_ID", "org.gnome.TextEditor"}}, 4321, /*mapped=*/false);
    EXPECT_FALSE(workspace->frontmostApplication());
}

} // namespace
} // namespace quellpad
