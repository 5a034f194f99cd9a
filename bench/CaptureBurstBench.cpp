// `quellpad-bench capture --burst [--spacings 1,4,13,80] [--copies 20] [--rounds 3] [--json]`:
// how many of a burst of copies the monitor keeps when each copy is made by its own
// owner process (as scripts and some applications do), the copies a fixed spacing
// apart. Needs an X display ($DISPLAY); the history is a real SQLite store. Each owner
// is this program started as `quellpad-bench capture-owner TEXT`: it takes the
// CLIPBOARD selection at the monotonic time it reads from standard input, serves it,
// and exits as soon as it loses the selection (as xclip does).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include <poll.h>
#include <unistd.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include "Core/Utilities/NotificationCenter.h"
#include "bench/BenchCommand.h"
#include "capture/ClipboardMonitor.h"
#include "history/ClipboardHistoryAutoCleanupRunner.h"
#include "history/ClipboardHistoryRepository.h"
#include "history/DataDirectoryManager.h"
#include "platform/Clock.h"
#include "platform/OneShotTimer.h"
#include "platform/QtImageCodec.h"
#include "platform/fake/FakeWorkspace.h"
#include "platform/fake/InMemoryDefaultsStore.h"
#include "platform/linux/X11Pasteboard.h"
#include "search/ClipboardSearchIndexWriter.h"
#include "search/SQLiteClipboardSearchIndexStore.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace quellpad::bench {

namespace {

constexpr int ownerLifetimeMs = 20000;

qint64 monotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

void serveRequest(Display* display, const XSelectionRequestEvent& request, const std::string& text) {
    const Atom targets = XInternAtom(display, "TARGETS", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    XSelectionEvent reply{};
    reply.type = SelectionNotify;
    reply.requestor = request.requestor;
    reply.selection = request.selection;
    reply.target = request.target;
    reply.time = request.time;
    reply.property = None;
    const Atom property = request.property == None ? request.target : request.property;
    if (request.target == targets) {
        const Atom offered[] = {targets, utf8, XA_STRING};
        XChangeProperty(display, request.requestor, property, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(offered), 3);
        reply.property = property;
    } else if (request.target == utf8 || request.target == XA_STRING) {
        XChangeProperty(display, request.requestor, property, request.target, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(text.data()), int(text.size()));
        reply.property = property;
    }
    XSendEvent(display, request.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&reply));
    XFlush(display);
}

} // namespace

int runCaptureOwner(int argc, char** argv) {
    if (argc < 3) {
        return 2;
    }
    const std::string text = argv[2];
    // Requestors may be gone by the time an answer is written; that is no reason to die.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return 1;
    }
    const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    const Atom clipboard = XInternAtom(display, "CLIPBOARD", False);
    XInternAtom(display, "TARGETS", False);
    XInternAtom(display, "UTF8_STRING", False);
    XSync(display, False);
    std::printf("ready\n");
    std::fflush(stdout);
    char line[64] = {};
    if (std::fgets(line, sizeof line, stdin) == nullptr) {
        return 1;
    }
    const qint64 at = std::strtoll(line, nullptr, 10);
    const timespec when{time_t(at / 1000000000), long(at % 1000000000)};
    clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &when, nullptr);
    XSetSelectionOwner(display, clipboard, window, CurrentTime);
    XFlush(display);
    const qint64 deadline = monotonicNs() + qint64(ownerLifetimeMs) * 1000000;
    const int fd = ConnectionNumber(display);
    while (monotonicNs() < deadline) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == SelectionRequest) {
                serveRequest(display, event.xselectionrequest, text);
            } else if (event.type == SelectionClear) {
                XCloseDisplay(display);
                return 0;
            }
        }
        pollfd p{fd, POLLIN, 0};
        ::poll(&p, 1, 50);
    }
    XCloseDisplay(display);
    return 0;
}

namespace {

struct BurstRound {
    int kept = 0;
    qint64 unreadable = 0;
};

// Starts the owners, releases them at the spacing and counts the copies stored.
BurstRound runRound(ClipboardHistoryRepository& repository, X11Pasteboard& pasteboard, const QString& tag,
                    int copies, int spacingMs) {
    std::vector<std::unique_ptr<QProcess>> owners;
    for (int k = 0; k < copies; ++k) {
        auto owner = std::make_unique<QProcess>();
        owner->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        owner->start(QCoreApplication::applicationFilePath(),
                     {QStringLiteral("capture-owner"), QStringLiteral("%1 copy %2").arg(tag).arg(k)});
        owners.push_back(std::move(owner));
    }
    for (auto& owner : owners) {
        while (!owner->canReadLine() && owner->state() != QProcess::NotRunning) {
            owner->waitForReadyRead(5000);
        }
        owner->readLine();
    }
    const qint64 start = monotonicNs() + 50 * 1000000;
    for (int k = 0; k < copies; ++k) {
        owners[size_t(k)]->write(QByteArray::number(start + qint64(k) * spacingMs * 1000000) + '\n');
        owners[size_t(k)]->closeWriteChannel();
    }
    const qint64 unreadableBefore = pasteboard.unreadableChangeCount();
    auto keptCopies = [&] {
        const std::vector<ClipboardHistoryIndexSnapshot> items = repository.getHistorySnapshots({}, std::nullopt).result();
        return int(std::count_if(items.begin(), items.end(),
                                 [&](const ClipboardHistoryIndexSnapshot& item) { return item.preview.startsWith(tag + QLatin1Char(' ')); }));
    };
    // Every owner but the last exits once the next one takes over; then the monitor
    // gets a moment to drain what it queued.
    QElapsedTimer elapsed;
    elapsed.start();
    auto othersDone = [&] {
        return std::all_of(owners.begin(), owners.end() - 1,
                           [](const auto& owner) { return owner->state() == QProcess::NotRunning; });
    };
    while (!othersDone() && elapsed.elapsed() < 15000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    int kept = keptCopies();
    QElapsedTimer quiet;
    quiet.start();
    while (quiet.elapsed() < 1500 && elapsed.elapsed() < 30000) {
        QElapsedTimer slice;
        slice.start();
        while (slice.elapsed() < 100) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        const int now = keptCopies();
        if (now != kept) {
            kept = now;
            quiet.restart();
        }
    }
    for (auto& owner : owners) {
        owner->kill();
        owner->waitForFinished(2000);
    }
    return {kept, pasteboard.unreadableChangeCount() - unreadableBefore};
}

} // namespace

int runCaptureBurst(const QStringList& arguments) {
    QCommandLineParser parser;
    const QCommandLineOption burst(QStringLiteral("burst"), QStringLiteral("Measure bursts of copies."));
    const QCommandLineOption spacings(QStringLiteral("spacings"), QStringLiteral("Spacings in ms, comma-separated."),
                                      QStringLiteral("MS,MS"), QStringLiteral("1,4,13,80"));
    const QCommandLineOption copies(QStringLiteral("copies"), QStringLiteral("Copies per burst."), QStringLiteral("N"),
                                    QStringLiteral("20"));
    const QCommandLineOption rounds(QStringLiteral("rounds"), QStringLiteral("Bursts per spacing."),
                                    QStringLiteral("N"), QStringLiteral("3"));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Print one JSON object."));
    parser.addOptions({burst, spacings, copies, rounds, json});
    if (!parser.parse(QStringList{QStringLiteral("capture")} + arguments)) {
        std::fprintf(stderr, "%s\n", qPrintable(parser.errorText()));
        return 2;
    }
    QString error;
    std::unique_ptr<X11Pasteboard> pasteboard = X11Pasteboard::open(&error);
    if (!pasteboard) {
        std::fprintf(stderr, "capture --burst needs an X display: %s\n", qPrintable(error));
        return 1;
    }
    QTemporaryDir directory;
    InMemoryDefaultsStore defaults;
    NotificationCenter notifications;
    DataDirectoryManager::Environment environment;
    const QString path = directory.path();
    environment.variable = [path](const QString& name) {
        return name == DataDirectoryManager::storageDirectoryOverrideEnvironmentKey ? path : QString();
    };
    DataDirectoryManager dataDirectory(defaults, environment);
    auto index = std::make_shared<SQLiteClipboardSearchIndexStore>(dataDirectory.searchIndexFilePath(), defaults);
    auto clock = std::make_shared<SystemClock>();
    auto repository = std::make_shared<ClipboardHistoryRepository>(
        dataDirectory, ClipboardSearchIndexWriter::make(index, defaults), defaults, notifications, clock);
    FakeWorkspace workspace;
    QtImageCodec codec;
    QtOneShotTimerScheduler timers;
    ClipboardMonitorDependencies dependencies{repository, std::make_shared<ClipboardHistoryAutoCleanupRunner>(repository, defaults, 3600.0),
                                              *pasteboard, workspace, codec, defaults, *clock, timers,
                                              nullptr, {}, {}};
    ClipboardMonitor monitor(std::move(dependencies));
    monitor.startMonitoring(false);

    const int copyCount = std::max(2, parser.value(copies).toInt());
    const int roundCount = std::max(1, parser.value(rounds).toInt());
    QJsonArray results;
    for (const QString& spacingText : parser.value(spacings).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const int spacing = std::max(0, spacingText.toInt());
        QJsonArray keptPerRound;
        qint64 unreadable = 0;
        std::vector<double> kept;
        for (int round = 0; round < roundCount; ++round) {
            const QString tag = QStringLiteral("burst%1ms-round%2").arg(spacing).arg(round);
            const BurstRound result = runRound(*repository, *pasteboard, tag, copyCount, spacing);
            keptPerRound.append(result.kept);
            kept.push_back(result.kept);
            unreadable += result.unreadable;
        }
        results.append(QJsonObject{{QStringLiteral("spacingMs"), spacing},
                                   {QStringLiteral("copies"), copyCount},
                                   {QStringLiteral("keptPerRound"), keptPerRound},
                                   {QStringLiteral("unreadableChanges"), double(unreadable)}});
        if (!parser.isSet(json)) {
            QStringList perRound;
            for (const double k : kept) {
                perRound.append(QString::number(int(k)));
            }
            std::printf("%3d ms apart: kept %s of %d per burst (min %d); %lld changes unreadable\n", spacing,
                        qPrintable(perRound.join(QLatin1Char('/'))), copyCount,
                        int(*std::min_element(kept.begin(), kept.end())), static_cast<long long>(unreadable));
            std::fflush(stdout);
        }
    }
    monitor.stopMonitoring();
    repository->waitForIndexSync();
    if (parser.isSet(json)) {
        std::printf("%s\n", QJsonDocument(QJsonObject{{QStringLiteral("bursts"), results}}).toJson(QJsonDocument::Compact).constData());
    }
    return 0;
}

} // namespace quellpad::bench
