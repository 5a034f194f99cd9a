// What only the Wayland pasteboard has (the shared contract is PasteboardContractTests):
// the protocol choice, superseded offers, and a compositor that goes away and comes back,
// on the in-process compositor and on headless Sway instances of the tests' own.
#include <iostream>
#include <vector>

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
#include "platform/linux/ClipboardPeer.h"
#include "platform/linux/WaylandPeers.h"
#include "platform/linux/WaylandToplevels.h"
#include "support/GtkEntryWindow.h"
#include "support/TestCompositor.h"
#include "support/TestSupport.h"

namespace quellpad {
namespace {

using test::processEventsUntil;
using test::wlCopy;

TEST(WaylandPasteboardOpenTest, NoCompositorIsAClearError) {
    QString error;
    EXPECT_EQ(WaylandPasteboard::open(&error, "/nonexistent/quellpad-wayland-0"), nullptr);
    EXPECT_TRUE(error.contains(QLatin1String("cannot connect"))) << error.toStdString();
}

// The read-ahead limit applies while reading on Wayland: a rendition over it is cut as it
// arrives, not read whole (a 100 MB offer included), and a larger limit later reads it
// whole from the owner, which still serves it. Sway with wl-clipboard, and ext.
TEST(WaylandPasteboardReadAheadTest, OffersOverTheLimitAreCutWhileReading) {
    QString reason;
    std::vector<std::unique_ptr<test::ClipboardPeer>> peers;
    peers.push_back(test::makeInProcessExtPeer(&reason));
    ASSERT_TRUE(peers.back()) << reason.toStdString();
    if (auto sway = test::makeSwayPeer(&reason)) peers.push_back(std::move(sway));
    for (const std::unique_ptr<test::ClipboardPeer>& peer : peers) {
        SCOPED_TRACE(peer == peers.front() ? "in-process ext" : "Sway with wl-clipboard");
        QString error;
        std::unique_ptr<Pasteboard> pasteboard = peer->openPasteboard(&error);
        ASSERT_TRUE(pasteboard) << error.toStdString();
        const auto waitForChange = [&](qint64 from) {
            return processEventsUntil([&] { return pasteboard->changeCount() > from; }, 20000);
        };
        QByteArray big(3 * 1024 * 1024, 'x');
        for (qsizetype i = 0; i < big.size(); i += 4096) {
            big[i] = char('a' + (i / 4096) % 26);
        }
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

        const QByteArray huge(100 * 1024 * 1024, 'h');
        const qint64 before = pasteboard->changeCount();
        ASSERT_TRUE(peer->copy(huge, QStringLiteral("text/plain")));
        ASSERT_TRUE(waitForChange(before));
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
        pasteboard.reset(); // before the compositor it talks to
    }
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

