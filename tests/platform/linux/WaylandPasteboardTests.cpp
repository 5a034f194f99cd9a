// The Wayland pasteboard against a real compositor (headless Sway, started by
// scripts/test-environment.sh, which names its socket in QUELLPAD_TEST_WAYLAND_DISPLAY),
// with wl-clipboard as the independent peer. Skipped where no compositor runs.
#include <iostream>

#include <gtest/gtest.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <csignal>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include <wayland-client.h>

#include "platform/linux/WaylandKeySynthesizer.h"
#include "platform/linux/WaylandPasteboard.h"
#include "platform/linux/WaylandToplevels.h"
#include "wlr-data-control-unstable-v1-client.h"
#include "support/GtkEntryWindow.h"
#include "support/TestCompositor.h"
#include "support/TestSupport.h"
#include "platform/linux/PasteboardContract.h"

namespace quellpad {
namespace {

using test::processEventsUntil;

QByteArray waylandSocket() { return qgetenv("QUELLPAD_TEST_WAYLAND_DISPLAY"); }

QProcessEnvironment peerEnvironment(const QByteArray& socket) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("WAYLAND_DISPLAY"), QString::fromUtf8(socket));
    return environment;
}

// Runs a wl-clipboard tool to its end (wl-copy leaves a background child serving the copy).
QByteArray runPeer(const QString& program, const QStringList& arguments, const QByteArray& input = {},
                   bool* ok = nullptr, const QByteArray& socket = waylandSocket()) {
    QProcess process;
    process.setProcessEnvironment(peerEnvironment(socket));
    process.start(program, arguments);
    process.write(input);
    process.closeWriteChannel();
    QElapsedTimer elapsed;
    elapsed.start();
    while (process.state() != QProcess::NotRunning && elapsed.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        process.waitForFinished(5);
    }
    const bool finished = process.state() == QProcess::NotRunning && process.exitStatus() == QProcess::NormalExit &&
                          process.exitCode() == 0;
    if (!finished) {
        process.kill();
        process.waitForFinished(1000);
    }
    if (ok) {
        *ok = finished;
    }
    return process.readAllStandardOutput();
}

bool wlCopy(const QByteArray& bytes, const QString& type = {}, const QByteArray& socket = waylandSocket()) {
    QStringList arguments;
    if (!type.isEmpty()) {
        arguments << QStringLiteral("--type") << type;
    }
    bool ok = false;
    runPeer(QStringLiteral("wl-copy"), arguments, bytes, &ok, socket);
    return ok;
}

QByteArray pngBytes(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "png");
    return bytes;
}

// A clipboard owner that offers text and never answers a request for it (its events
// are never dispatched), as a hung application would.
class SilentOwner {
public:
    explicit SilentOwner(const QByteArray& socket) : display_(wl_display_connect(socket.constData())) {
        if (!display_) return;
        wl_registry* registry = wl_display_get_registry(display_);
        static const wl_registry_listener listener{
            [](void* data, wl_registry* boundRegistry, uint32_t name, const char* interface, uint32_t) {
                auto* self = static_cast<SilentOwner*>(data);
                if (std::strcmp(interface, zwlr_data_control_manager_v1_interface.name) == 0) {
                    self->manager_ = static_cast<zwlr_data_control_manager_v1*>(
                        wl_registry_bind(boundRegistry, name, &zwlr_data_control_manager_v1_interface, 1));
                } else if (std::strcmp(interface, wl_seat_interface.name) == 0 && !self->seat_) {
                    self->seat_ = static_cast<wl_seat*>(wl_registry_bind(boundRegistry, name, &wl_seat_interface, 1));
                }
            },
            [](void*, wl_registry*, uint32_t) {}};
        wl_registry_add_listener(registry, &listener, this);
        wl_display_roundtrip(display_);
        wl_registry_destroy(registry);
    }
    ~SilentOwner() {
        // Every proxy goes before the connection, or its memory is lost with it.
        if (device_) zwlr_data_control_device_v1_destroy(device_);
        if (source_) zwlr_data_control_source_v1_destroy(source_);
        if (manager_) zwlr_data_control_manager_v1_destroy(manager_);
        if (seat_) wl_seat_destroy(seat_);
        if (display_) wl_display_disconnect(display_);
    }
    bool usable() const { return display_ && manager_ && seat_; }
    void takeSelection() {
        source_ = zwlr_data_control_manager_v1_create_data_source(manager_);
        zwlr_data_control_source_v1_offer(source_, "text/plain;charset=utf-8");
        device_ = zwlr_data_control_manager_v1_get_data_device(manager_, seat_);
        zwlr_data_control_device_v1_set_selection(device_, source_);
        wl_display_flush(display_);
    }

private:
    wl_display* display_;
    zwlr_data_control_manager_v1* manager_ = nullptr;
    wl_seat* seat_ = nullptr;
    zwlr_data_control_source_v1* source_ = nullptr;
    zwlr_data_control_device_v1* device_ = nullptr;
};

TEST(WaylandPasteboardOpenTest, NoCompositorIsAClearError) {
    QString error;
    EXPECT_EQ(WaylandPasteboard::open(&error, "/nonexistent/quellpad-wayland-0"), nullptr);
    EXPECT_TRUE(error.contains(QLatin1String("cannot connect"))) << error.toStdString();
}

// The other side of the contract: a compositor, and another client copying and pasting
// through it. A missing text type means plain UTF-8 text.
class ClipboardPeer {
public:
    virtual ~ClipboardPeer() = default;
    virtual QByteArray socket() const = 0;
    // The data-control protocol the pasteboard must pick here; empty when either will do.
    virtual QString expectedProtocol() const = 0;
    virtual bool copy(const QByteArray& bytes, const QString& type = {}) = 0;
    virtual QByteArray paste(const QString& type = {}) = 0;
    // Takes the selection with text it never delivers; false when this peer cannot.
    virtual bool takeSelectionSilently() = 0;
};

// The test session's Sway (wlr-data-control only) with wl-clipboard.
class SwayPeer final : public ClipboardPeer {
public:
    ~SwayPeer() override {
        silentOwner_.reset();
        // Ends the wl-copy that still serves the last copy.
        runPeer(QStringLiteral("wl-copy"), {QStringLiteral("--clear")});
    }
    QByteArray socket() const override { return waylandSocket(); }
    QString expectedProtocol() const override { return {}; }
    bool copy(const QByteArray& bytes, const QString& type) override { return wlCopy(bytes, type); }
    QByteArray paste(const QString& type) override {
        QStringList arguments{QStringLiteral("--no-newline")};
        if (!type.isEmpty()) arguments << QStringLiteral("--type") << type;
        return runPeer(QStringLiteral("wl-paste"), arguments);
    }
    bool takeSelectionSilently() override {
        silentOwner_ = std::make_unique<SilentOwner>(waylandSocket());
        if (!silentOwner_->usable()) return false;
        silentOwner_->takeSelection();
        return true;
    }

private:
    std::unique_ptr<SilentOwner> silentOwner_;
};

// The in-process compositor offering ext-data-control only, playing the other client itself.
class InProcessPeer final : public ClipboardPeer {
public:
    bool start(QString* error) { return compositor_.start(error); }
    QByteArray socket() const override { return compositor_.socketPath(); }
    QString expectedProtocol() const override { return QStringLiteral("ext-data-control"); }
    bool copy(const QByteArray& bytes, const QString& type) override {
        return compositor_.setSelection({{type.isEmpty() ? textType : type, bytes}});
    }
    QByteArray paste(const QString& type) override {
        return compositor_.readSelection(type.isEmpty() ? textType : type).value_or(QByteArray());
    }
    bool takeSelectionSilently() override { return compositor_.setSelection({{textType, "never sent"}}, true); }

private:
    inline static const QString textType = QStringLiteral("text/plain;charset=utf-8");
    test::TestCompositor compositor_{test::TestCompositorOptions{true, false, false, 5}};
};

enum class PeerKind { sway, inProcess };

// The same cases against both protocols: Sway speaks only wlr-data-control, the in-process
// compositor only ext-data-control.
class WaylandPasteboardTest : public ::testing::TestWithParam<PeerKind> {
protected:
    void SetUp() override {
        if (GetParam() == PeerKind::sway) {
            if (waylandSocket().isEmpty()) {
                GTEST_SKIP() << "No Wayland compositor: QUELLPAD_TEST_WAYLAND_DISPLAY is unset (headless Sway "
                                "could not be started)";
            }
            if (QStandardPaths::findExecutable(QStringLiteral("wl-copy")).isEmpty()) {
                GTEST_SKIP() << "wl-clipboard is not installed";
            }
            peer = std::make_unique<SwayPeer>();
        } else {
            auto inProcess = std::make_unique<InProcessPeer>();
            QString error;
            ASSERT_TRUE(inProcess->start(&error)) << error.toStdString();
            peer = std::move(inProcess);
        }
        QString error;
        pasteboard = WaylandPasteboard::open(&error, peer->socket());
        ASSERT_TRUE(pasteboard) << error.toStdString();
    }

    void TearDown() override {
        // The pasteboard's connection goes before the compositor it talks to.
        pasteboard.reset();
        peer.reset();
    }

    bool waitForChange(qint64 from, int timeoutMs = 5000) {
        return processEventsUntil([&] { return pasteboard->changeCount() > from; }, timeoutMs);
    }

    std::unique_ptr<ClipboardPeer> peer;
    std::unique_ptr<WaylandPasteboard> pasteboard;
};

std::string peerName(const ::testing::TestParamInfo<PeerKind>& info) {
    return info.param == PeerKind::sway ? "wl_clipboard" : "in_process_peer";
}
INSTANTIATE_TEST_SUITE_P(Sway, WaylandPasteboardTest, ::testing::Values(PeerKind::sway), peerName);
INSTANTIATE_TEST_SUITE_P(InProcessExt, WaylandPasteboardTest, ::testing::Values(PeerKind::inProcess), peerName);

TEST_P(WaylandPasteboardTest, UsesTheProtocolTheCompositorOffers) {
    if (peer->expectedProtocol().isEmpty()) {
        EXPECT_TRUE(pasteboard->protocolName() == QLatin1String("ext-data-control") ||
                    pasteboard->protocolName() == QLatin1String("wlr-data-control"));
    } else {
        EXPECT_EQ(pasteboard->protocolName(), peer->expectedProtocol());
    }
    EXPECT_TRUE(pasteboard->isConnected());
}

TEST_P(WaylandPasteboardTest, SeesTextImageAndFileListCopies) {
    int signals = 0;
    QObject::connect(pasteboard.get(), &Pasteboard::changed, [&] { ++signals; });
    const struct {
        QString offeredType;
        QString type;
        QByteArray bytes;
    } rows[] = {
        {QString(), PasteboardTypes::plainText, QByteArray("héllo from wl-copy ✓ مرحبا 你好")},
        {QStringLiteral("image/png"), PasteboardTypes::png, pngBytes(7, 5)},
        {QStringLiteral("text/uri-list"), PasteboardTypes::uriList, QByteArray("file:///tmp/a%20b.png\r\n")},
        {QStringLiteral("text/html"), PasteboardTypes::html, QByteArray("<b>bold</b>")},
    };
    for (const auto& row : rows) {
        const qint64 before = pasteboard->changeCount();
        ASSERT_TRUE(peer->copy(row.bytes, row.offeredType));
        ASSERT_TRUE(waitForChange(before)) << row.type.toStdString();
        EXPECT_TRUE(pasteboard->types().contains(row.type)) << pasteboard->types().join(u' ').toStdString();
        const std::optional<PasteboardData> data = pasteboard->dataForType(row.type, 10 << 20);
        ASSERT_TRUE(data) << row.type.toStdString();
        EXPECT_FALSE(data->exceedsLimit);
        EXPECT_EQ(data->bytes, row.bytes) << row.type.toStdString();
    }
    EXPECT_TRUE(processEventsUntil([&] { return signals >= 4; }));
}

TEST_P(WaylandPasteboardTest, LargeCopiesArriveWholeOrStopAtTheLimit) {
    QByteArray big(3 * 1024 * 1024, 'x');
    for (qsizetype i = 0; i < big.size(); i += 4096) {
        big[i] = char('a' + (i / 4096) % 26); // catches reordered chunks
    }
    const qint64 before = pasteboard->changeCount();
    ASSERT_TRUE(peer->copy(big, QStringLiteral("text/plain")));
    ASSERT_TRUE(waitForChange(before));
    const std::optional<PasteboardData> whole = pasteboard->dataForType(PasteboardTypes::plainText, 10 << 20);
    ASSERT_TRUE(whole);
    EXPECT_TRUE(whole->bytes == big);

    const std::optional<PasteboardData> limited = pasteboard->dataForType(PasteboardTypes::plainText, 1 << 20);
    ASSERT_TRUE(limited);
    EXPECT_TRUE(limited->exceedsLimit);
    EXPECT_GT(limited->byteCount, 1 << 20);
    EXPECT_LE(limited->bytes.size(), oversizePrefixBytes);

    // A limit smaller than the one it was read with on arrival: cut while reading.
    pasteboard->dataForType(PasteboardTypes::plainText, 1 << 20); // lowers the read-ahead limit
    const qint64 second = pasteboard->changeCount();
    ASSERT_TRUE(peer->copy(big + "y", QStringLiteral("text/plain")));
    ASSERT_TRUE(waitForChange(second));
    const std::optional<PasteboardData> cut = pasteboard->dataForType(PasteboardTypes::plainText, 1 << 20);
    ASSERT_TRUE(cut);
    EXPECT_TRUE(cut->exceedsLimit);
    EXPECT_LT(cut->byteCount, big.size());
    // A larger limit later reads the whole again from the owner, which still serves it.
    const std::optional<PasteboardData> again = pasteboard->dataForType(PasteboardTypes::plainText, 10 << 20);
    ASSERT_TRUE(again);
    EXPECT_FALSE(again->exceedsLimit);
    EXPECT_EQ(again->bytes.size(), big.size() + 1);
}

TEST_P(WaylandPasteboardTest, AHundredMegabyteOfferIsCutWhileReading) {
    const QByteArray huge(100 * 1024 * 1024, 'h');
    const qint64 before = pasteboard->changeCount();
    ASSERT_TRUE(peer->copy(huge, QStringLiteral("text/plain")));
    ASSERT_TRUE(waitForChange(before, 20000));
    const std::optional<PasteboardData> limited = pasteboard->dataForType(PasteboardTypes::plainText, 1 << 20);
    ASSERT_TRUE(limited);
    EXPECT_TRUE(limited->exceedsLimit);
    EXPECT_LE(limited->bytes.size(), oversizePrefixBytes);
    // Stopped soon after the limit instead of reading all of it.
    EXPECT_LT(limited->byteCount, 20 * 1024 * 1024);

    const qint64 after = pasteboard->changeCount();
    ASSERT_TRUE(peer->copy("small after the huge one"));
    ASSERT_TRUE(waitForChange(after));
    const std::optional<PasteboardData> small = pasteboard->dataForType(PasteboardTypes::plainText, 1 << 20);
    ASSERT_TRUE(small);
    EXPECT_EQ(small->bytes, QByteArray("small after the huge one"));
}

TEST_P(WaylandPasteboardTest, RapidCopiesAreEachSnapshottedInOrder) {
    const qint64 before = pasteboard->changeCount();
    constexpr int copies = 20;
    for (int i = 0; i < copies; ++i) {
        ASSERT_TRUE(peer->copy("burst " + QByteArray::number(i)));
    }
    // Taken as the monitor takes them: oldest first, without asking for the newest.
    const QByteArray last = "burst " + QByteArray::number(copies - 1);
    QByteArrayList seen;
    qint64 after = before;
    processEventsUntil([&] {
        while (const std::optional<qint64> next = pasteboard->takeNextChange(after)) {
            after = *next;
            if (const auto text = pasteboard->dataForType(PasteboardTypes::plainText, 1 << 20)) {
                seen.append(text->bytes);
            }
        }
        return !seen.isEmpty() && seen.last() == last;
    });
    ASSERT_FALSE(seen.isEmpty());
    EXPECT_EQ(seen.last(), last) << seen.join('|').constData();
    // Each snapshot holds its own copy, never a later one's, in the order they were made.
    int lastIndex = -1;
    for (const QByteArray& text : seen) {
        ASSERT_TRUE(text.startsWith("burst ")) << text.constData();
        const int index = text.mid(6).toInt();
        EXPECT_GT(index, lastIndex) << seen.join('|').constData();
        lastIndex = index;
    }
    std::cout << "[ measure ] " << seen.size() << " of " << copies << " copies snapshotted" << std::endl;
    EXPECT_GE(seen.size(), copies / 2) << seen.join('|').constData();
}

// Watching the counter (as `quellpad status` does) leaves queued copies to the monitor.
TEST_P(WaylandPasteboardTest, WatchingTheCounterKeepsQueuedCopiesForTheMonitor) {
    test::expectWatchingTheCounterKeepsQueuedCopies(*pasteboard, [this](const QByteArray& text) { return peer->copy(text); });
}

TEST_P(WaylandPasteboardTest, CopiesMarkedByAPasswordManagerAreNeverRead) {
    // Another client (a second connection) offers text with the hint, as password managers do.
    QString error;
    std::unique_ptr<WaylandPasteboard> passwordManager = WaylandPasteboard::open(&error, peer->socket());
    ASSERT_TRUE(passwordManager) << error.toStdString();
    const qint64 before = pasteboard->changeCount();
    ASSERT_TRUE(passwordManager->write({{PasteboardTypes::plainText, QByteArray("hunter2")},
                                        {PasteboardTypes::passwordManagerHint, QByteArray("secret")}}));
    ASSERT_TRUE(waitForChange(before));
    EXPECT_TRUE(pasteboard->types().contains(PasteboardTypes::passwordManagerHint));
    EXPECT_EQ(pasteboard->dataForType(PasteboardTypes::plainText, 1 << 20), std::nullopt);
    EXPECT_EQ(pasteboard->dataForType(PasteboardTypes::passwordManagerHint, 1 << 20), std::nullopt);
    // The peer itself still serves it to whoever asks (the paste target).
    EXPECT_EQ(peer->paste(), QByteArray("hunter2"));
}

TEST_P(WaylandPasteboardTest, WritesAreServedToOtherClientsWithoutFocus) {
    const QByteArray png = pngBytes(4, 3);
    const qint64 before = pasteboard->changeCount();
    ASSERT_TRUE(pasteboard->write({{PasteboardTypes::plainText, QByteArray("written by Quellpad ✓")},
                                   {PasteboardTypes::html, QByteArray("<i>written</i>")},
                                   {PasteboardTypes::png, png}}));
    EXPECT_EQ(peer->paste(), QByteArray("written by Quellpad ✓"));
    EXPECT_EQ(peer->paste(QStringLiteral("text/html")), QByteArray("<i>written</i>"));
    EXPECT_EQ(peer->paste(QStringLiteral("image/png")), png);
    // Its own copy shows up as a change with the content it wrote, read without a round trip.
    ASSERT_TRUE(waitForChange(before));
    const std::optional<PasteboardData> own = pasteboard->dataForType(PasteboardTypes::html, 1 << 20);
    ASSERT_TRUE(own);
    EXPECT_EQ(own->bytes, QByteArray("<i>written</i>"));
}

TEST_P(WaylandPasteboardTest, AnOwnerThatNeverWritesCostsAtMostTheTimeout) {
    const qint64 before = pasteboard->changeCount();
    QElapsedTimer elapsed;
    elapsed.start();
    if (!peer->takeSelectionSilently()) {
        GTEST_SKIP() << "the compositor offers no wlr-data-control to play the silent owner with";
    }
    ASSERT_TRUE(waitForChange(before));
    // The change is published once its read was given up on.
    EXPECT_GE(elapsed.elapsed(), WaylandPasteboard::defaultReadTimeoutMs - 50);
    EXPECT_LT(elapsed.elapsed(), WaylandPasteboard::defaultReadTimeoutMs + 1500);
    std::cout << "[ measure ] silent owner cut off after " << elapsed.elapsed() << " ms" << std::endl;
    EXPECT_TRUE(pasteboard->types().contains(PasteboardTypes::plainText));
    EXPECT_EQ(pasteboard->dataForType(PasteboardTypes::plainText, 1 << 20), std::nullopt);

    // Later copies are captured as before.
    const qint64 stalled = pasteboard->changeCount();
    ASSERT_TRUE(peer->copy("after the silent owner"));
    ASSERT_TRUE(waitForChange(stalled));
    const std::optional<PasteboardData> text = pasteboard->dataForType(PasteboardTypes::plainText, 1 << 20);
    ASSERT_TRUE(text);
    EXPECT_EQ(text->bytes, QByteArray("after the silent owner"));
}

TEST(WaylandPasteboardProtocolTest, PrefersExtWhereBothAreOfferedAndFallsBackToWlr) {
    for (const bool ext : {true, false}) {
        test::TestCompositor compositor(test::TestCompositorOptions{ext, true, false, 5});
        QString error;
        ASSERT_TRUE(compositor.start(&error)) << error.toStdString();
        std::unique_ptr<WaylandPasteboard> pasteboard = WaylandPasteboard::open(&error, compositor.socketPath());
        ASSERT_TRUE(pasteboard) << error.toStdString();
        EXPECT_EQ(pasteboard->protocolName(), ext ? QStringLiteral("ext-data-control") : QStringLiteral("wlr-data-control"));
        // Working, not just bound: a copy through the chosen protocol arrives.
        const qint64 before = pasteboard->changeCount();
        ASSERT_TRUE(compositor.setSelection({{QStringLiteral("text/plain"), QByteArray("through either")}}));
        ASSERT_TRUE(processEventsUntil([&] { return pasteboard->changeCount() > before; }));
        const std::optional<PasteboardData> text = pasteboard->dataForType(PasteboardTypes::plainText, 1 << 20);
        ASSERT_TRUE(text);
        EXPECT_EQ(text->bytes, QByteArray("through either"));
    }
    test::TestCompositor neither(test::TestCompositorOptions{false, false, true, 5});
    QString error;
    ASSERT_TRUE(neither.start(&error)) << error.toStdString();
    EXPECT_EQ(WaylandPasteboard::open(&error, neither.socketPath()), nullptr);
    EXPECT_TRUE(error.contains(QLatin1String("no data-control manager"))) << error.toStdString();
}

// wlroots closes the pipe of an offer the selection has moved on from: during a burst,
// the superseded copies read as empty, which is no content to record.
TEST(WaylandPasteboardProtocolTest, CopiesSupersededBeforeTheyAreReadAreNotEmptyText) {
    test::TestCompositorOptions options;
    options.serveReplacedOffers = false;
    test::TestCompositor compositor(options);
    QString error;
    ASSERT_TRUE(compositor.start(&error)) << error.toStdString();
    std::unique_ptr<WaylandPasteboard> pasteboard = WaylandPasteboard::open(&error, compositor.socketPath());
    ASSERT_TRUE(pasteboard) << error.toStdString();
    const qint64 before = pasteboard->changeCount();
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(compositor.setSelection({{QStringLiteral("text/plain"), "burst " + QByteArray::number(i)}}));
    }
    QByteArrayList texts;
    qint64 after = before;
    processEventsUntil([&] {
        while (const std::optional<qint64> next = pasteboard->takeNextChange(after)) {
            after = *next;
            if (const auto text = pasteboard->dataForType(PasteboardTypes::plainText, 1 << 20)) {
                texts.append(text->bytes);
            }
        }
        return !texts.isEmpty() && texts.last() == "burst 19";
    });
    ASSERT_FALSE(texts.isEmpty());
    EXPECT_EQ(texts.last(), QByteArray("burst 19"));
    EXPECT_FALSE(texts.contains(QByteArray())) << texts.join('|').constData();
}

// A compositor that crashes and comes back on the same socket: capture resumes by itself,
// and a change seen before the crash but not yet taken is still handed out, in order.
TEST(WaylandPasteboardReconnectTest, ResumesOnTheSameSocketOnceTheCompositorIsBack) {
    test::TestCompositor compositor;
    QString error;
    ASSERT_TRUE(compositor.start(&error)) << error.toStdString();
    std::unique_ptr<WaylandPasteboard> pasteboard = WaylandPasteboard::open(&error, compositor.socketPath());
    ASSERT_TRUE(pasteboard) << error.toStdString();
    int signals = 0;
    QObject::connect(pasteboard.get(), &Pasteboard::changed, [&] { ++signals; });
    const qint64 start = pasteboard->changeCount();
    ASSERT_TRUE(compositor.setSelection({{QStringLiteral("text/plain"), QByteArray("copied before the crash")}}));
    ASSERT_TRUE(processEventsUntil([&] { return signals > 0; }));

    test::LogCapture log;
    compositor.stop();
    ASSERT_TRUE(processEventsUntil([&] { return !pasteboard->isConnected(); }));
    EXPECT_FALSE(pasteboard->write({{PasteboardTypes::plainText, QByteArray("while it is gone")}}));
    ASSERT_TRUE(compositor.start(&error)) << error.toStdString();
    ASSERT_TRUE(processEventsUntil([&] { return pasteboard->isConnected(); },
                                   WaylandPasteboard::firstReconnectDelayMs * 4));

    const std::optional<qint64> waiting = pasteboard->takeNextChange(start);
    ASSERT_TRUE(waiting);
    const std::optional<PasteboardData> old = pasteboard->dataForType(PasteboardTypes::plainText, 1 << 20);
    ASSERT_TRUE(old);
    EXPECT_EQ(old->bytes, QByteArray("copied before the crash"));
    // The new compositor's empty clipboard is where counting resumes, not a change.
    EXPECT_EQ(pasteboard->takeNextChange(*waiting), std::nullopt);

    ASSERT_TRUE(compositor.setSelection({{QStringLiteral("text/plain"), QByteArray("copied after it came back")}}));
    std::optional<qint64> next;
    ASSERT_TRUE(processEventsUntil([&] { return (next = pasteboard->takeNextChange(*waiting)).has_value(); }));
    EXPECT_EQ(*next, *waiting + 1);
    const std::optional<PasteboardData> fresh = pasteboard->dataForType(PasteboardTypes::plainText, 1 << 20);
    ASSERT_TRUE(fresh);
    EXPECT_EQ(fresh->bytes, QByteArray("copied after it came back"));
    ASSERT_TRUE(pasteboard->write({{PasteboardTypes::plainText, QByteArray("written after it came back")}}));
    EXPECT_EQ(compositor.readSelection(QStringLiteral("text/plain;charset=utf-8")),
              QByteArray("written after it came back"));

    int lostLines = 0;
    int backLines = 0;
    for (const test::CapturedLogLine& line : log.lines()) {
        lostLines += line.message.startsWith(QLatin1String("Lost the connection to the Wayland compositor"));
        backLines += line.message.startsWith(QLatin1String("Reconnected to the Wayland compositor"));
    }
    EXPECT_EQ(lostLines, 1);
    EXPECT_EQ(backLines, 1);
}

// A headless Sway of the test's own, to be killed under its clients. Sway refuses to run
// as root: it runs as nobody there, in a runtime directory nobody owns.
class PrivateCompositor {
public:
    bool start(QString* error) {
        if (!runtimeDirectory_.isValid() ||
            (::getuid() == 0 && ::chown(QFile::encodeName(runtimeDirectory_.path()).constData(), 65534, 65534) != 0)) {
            *error = QStringLiteral("cannot prepare a runtime directory");
            return false;
        }
        QProcessEnvironment environment;
        environment.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH"));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDirectory_.path());
        environment.insert(QStringLiteral("WLR_BACKENDS"), QStringLiteral("headless"));
        environment.insert(QStringLiteral("WLR_LIBINPUT_NO_DEVICES"), QStringLiteral("1"));
        environment.insert(QStringLiteral("WLR_RENDERER"), QStringLiteral("pixman"));
        process_.setProcessEnvironment(environment);
        process_.setStandardOutputFile(QProcess::nullDevice());
        process_.setStandardErrorFile(QProcess::nullDevice());
        const QStringList swayArguments{QStringLiteral("sway"), QStringLiteral("-c"), QStringLiteral("/dev/null")};
        if (::getuid() == 0) {
            // setpriv executes Sway in its own process, so killing that process kills Sway.
            process_.start(QStringLiteral("setpriv"), QStringList{QStringLiteral("--reuid=65534"),
                                                                  QStringLiteral("--regid=65534"),
                                                                  QStringLiteral("--clear-groups")} +
                                                          swayArguments);
        } else {
            process_.start(swayArguments.first(), swayArguments.mid(1));
        }
        if (!process_.waitForStarted(5000)) {
            *error = QStringLiteral("sway did not start: ") + process_.errorString();
            return false;
        }
        if (!test::pollUntil([this] { return findSocket(); })) {
            *error = QStringLiteral("sway opened no Wayland socket");
            return false;
        }
        return true;
    }

    void kill() {
        ::kill(pid_t(process_.processId()), SIGKILL);
        process_.waitForFinished(5000);
    }

    ~PrivateCompositor() {
        if (process_.state() != QProcess::NotRunning) {
            kill();
        }
    }

    QByteArray socket;

private:
    bool findSocket() {
        const QStringList names = QDir(runtimeDirectory_.path())
                                      .entryList({QStringLiteral("wayland-*")}, QDir::System | QDir::Files);
        for (const QString& name : names) {
            const QByteArray path = QFile::encodeName(runtimeDirectory_.filePath(name));
            struct stat status {};
            if (!name.endsWith(QLatin1String(".lock")) && ::stat(path.constData(), &status) == 0 &&
                S_ISSOCK(status.st_mode)) {
                socket = path;
                return true;
            }
        }
        return false;
    }

    QTemporaryDir runtimeDirectory_;
    QProcess process_;
};

TEST(WaylandCompositorLossTest, ClientsSayTheCompositorIsGoneAndFailWithoutHanging) {
    if (QStandardPaths::findExecutable(QStringLiteral("sway")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("wl-copy")).isEmpty()) {
        GTEST_SKIP() << "needs sway and wl-clipboard";
    }
    PrivateCompositor compositor;
    QString error;
    ASSERT_TRUE(compositor.start(&error)) << error.toStdString();
    std::unique_ptr<WaylandPasteboard> pasteboard = WaylandPasteboard::open(&error, compositor.socket);
    ASSERT_TRUE(pasteboard) << error.toStdString();
    std::unique_ptr<WaylandToplevels> toplevels = WaylandToplevels::open(&error, compositor.socket);
    ASSERT_TRUE(toplevels) << error.toStdString();
    std::unique_ptr<WaylandKeySynthesizer> keyboard = WaylandKeySynthesizer::open(&error, compositor.socket);
    ASSERT_TRUE(keyboard) << error.toStdString();

    const qint64 before = pasteboard->changeCount();
    ASSERT_TRUE(wlCopy("copied before the crash", {}, compositor.socket));
    ASSERT_TRUE(processEventsUntil([&] { return pasteboard->takeNextChange(before).has_value(); }));
    const std::optional<PasteboardData> captured = pasteboard->dataForType(PasteboardTypes::plainText, 1 << 20);
    ASSERT_TRUE(captured);
    EXPECT_EQ(captured->bytes, QByteArray("copied before the crash"));

    test::LogCapture log;
    compositor.kill();
    ASSERT_TRUE(test::pollUntil([&] { return !pasteboard->isConnected(); }));
    EXPECT_TRUE(log.contains(LogLevel::error, QStringLiteral("WaylandPasteboard"),
                             QStringLiteral("Lost the connection to the Wayland compositor")));
    const qint64 last = pasteboard->changeCount();

    // Every request fails at once instead of waiting on a connection that cannot answer.
    QElapsedTimer elapsed;
    elapsed.start();
    EXPECT_FALSE(pasteboard->write({{PasteboardTypes::plainText, QByteArray("written after the crash")}}));
    EXPECT_FALSE(toplevels->activeWindow().has_value());
    EXPECT_FALSE(toplevels->requestActivation(ActiveWindow{}, 0));
    EXPECT_FALSE(keyboard->postPasteKeystroke(PasteKeystroke::controlV));
    EXPECT_LT(elapsed.elapsed(), WaylandPasteboard::defaultReadTimeoutMs);

    // Nothing new is seen; what was read before stays readable.
    test::drainEvents();
    EXPECT_EQ(pasteboard->changeCount(), last);
    EXPECT_EQ(pasteboard->takeNextChange(before), std::nullopt);
    EXPECT_TRUE(pasteboard->types().contains(PasteboardTypes::plainText));
    EXPECT_EQ(pasteboard->unreadableChangeCount(), 0);
}


// Sway killed and started again in the same runtime directory takes the same socket name:
// the clipboard connection, the window list and the virtual keyboard connect to it again
// by themselves, and the keystroke reaches a window there.
TEST(WaylandCompositorLossTest, ClientsConnectAgainToASwayBackOnTheSameSocket) {
    if (QStandardPaths::findExecutable(QStringLiteral("sway")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("wl-copy")).isEmpty() || !test::canRunGtkEntryWindow()) {
        GTEST_SKIP() << "needs sway, wl-clipboard and the GTK test window";
    }
    PrivateCompositor compositor;
    QString error;
    ASSERT_TRUE(compositor.start(&error)) << error.toStdString();
    const QByteArray socket = compositor.socket;
    std::unique_ptr<WaylandPasteboard> pasteboard = WaylandPasteboard::open(&error, socket);
    ASSERT_TRUE(pasteboard) << error.toStdString();
    std::unique_ptr<WaylandKeySynthesizer> keyboard = WaylandKeySynthesizer::open(&error, socket);
    ASSERT_TRUE(keyboard) << error.toStdString();
    std::unique_ptr<WaylandToplevels> toplevels = WaylandToplevels::open(&error, socket);
    ASSERT_TRUE(toplevels) << error.toStdString();

    compositor.kill();
    ASSERT_TRUE(processEventsUntil([&] { return !pasteboard->isConnected(); }));
    EXPECT_FALSE(keyboard->postPasteKeystroke(PasteKeystroke::controlV));
    EXPECT_FALSE(toplevels->activeWindow().has_value());
    ASSERT_TRUE(compositor.start(&error)) << error.toStdString();
    ASSERT_EQ(compositor.socket, socket);

    // The socket file may be the dead Sway's until the new one binds it: wait for the
    // clipboard to be back. The window then has the focus when the keystroke makes its new
    // keyboard, the case where Sway drops the keys of a keyboard only just made.
    ASSERT_TRUE(processEventsUntil([&] { return pasteboard->isConnected(); }, 15000));
    test::GtkEntryWindow target(QStringLiteral("Quellpad window after the restart"));
    ASSERT_TRUE(target.startOnWayland(QString::fromUtf8(socket), &error)) << error.toStdString();
    EXPECT_TRUE(test::pollUntil(
        [&] { return toplevels->activeApplicationId() == QStringLiteral("quellpad-test-entry"); }));
    EXPECT_TRUE(keyboard->postPasteKeystroke(PasteKeystroke::controlV));
    EXPECT_TRUE(test::pollUntil([&] { return target.keyPresses().contains(QStringLiteral("control+v")); }))
        << target.keyPresses().join(u' ').toStdString();
    const qint64 before = pasteboard->changeCount();
    ASSERT_TRUE(wlCopy("copied on the new sway", {}, socket));
    ASSERT_TRUE(processEventsUntil([&] { return pasteboard->takeNextChange(before).has_value(); }));
    const std::optional<PasteboardData> text = pasteboard->dataForType(PasteboardTypes::plainText, 1 << 20);
    ASSERT_TRUE(text);
    EXPECT_EQ(text->bytes, QByteArray("copied on the new sway"));
}

} // namespace
} // namespace quellpad

