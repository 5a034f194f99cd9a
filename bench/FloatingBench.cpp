// `quellpad-bench floating`: the floating panel at the caret of a real GTK entry (run
// under an X display with the accessibility bus: `source scripts/test-environment.sh`,
// QT_QPA_PLATFORM=xcb). From the shortcut's action to the panel's first painted frame
// with rows, caret detection included, p50/p95; then the caret detection of the same
// application stopped (SIGSTOP: it answers nothing), which must give up within its
// 150 ms budget.
#include <csignal>
#include <chrono>
#include <cstdio>

#include <QAbstractItemView>
#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include "bench/BenchCommand.h"
#include "floating/ClipboardFloatingAnchorResolver.h"
#include "floating/FloatingClipboardPanelController.h"
#include "floating/TextCaretPositionDetector.h"
#include "floating/widgets/FloatingClipboardPanelWindowFactory.h"
#include "panel/PanelTestDoubles.h"
#include "platform/QtScreens.h"
#include "platform/linux/LinuxAccessibilityService.h"

namespace quellpad::bench {

namespace {

using Clock = std::chrono::steady_clock;

QString xdotool(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    process.waitForFinished(10000);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

bool processUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
    }
    return true;
}

class FirstPaint final : public QObject {
public:
    explicit FirstPaint(QAbstractItemView* view) : view_(view) { view_->viewport()->installEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && view_->model() && view_->model()->rowCount() > 0 && !painted) {
            painted = Clock::now();
        }
        return QObject::eventFilter(watched, event);
    }
    std::optional<Clock::time_point> painted;

private:
    QAbstractItemView* view_;
};

double millisecondsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

int runFloating(const QStringList& arguments) {
    QCommandLineParser parser;
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Openings measured (default 40)."),
                                        QStringLiteral("N"), QStringLiteral("40"));
    parser.addOption(runsOption);
    parser.process(QStringList{QStringLiteral("floating")} + arguments);
    const int runs = std::max(1, parser.value(runsOption).toInt());
    if (qEnvironmentVariableIsEmpty("DISPLAY") || QGuiApplication::platformName() != QLatin1String("xcb")) {
        std::fprintf(stderr, "needs an X display and QT_QPA_PLATFORM=xcb (source scripts/test-environment.sh)\n");
        return 2;
    }
    LinuxAccessibilityService accessibility;
    if (!accessibility.isEnabled() && !accessibility.requestEnabled()) {
        std::fprintf(stderr, "the accessibility bus is not available\n");
        return 2;
    }
    accessibility.startFocusTracking();

    QTemporaryDir scratch;
    QProcess entry;
    entry.start(QStringLiteral("/usr/bin/python3"),
                {QStringLiteral(QUELLPAD_TEST_SUPPORT_SOURCE_DIR "/gtk_entry.py"), QStringLiteral("Quellpad bench entry"),
                 scratch.path() + QStringLiteral("/entry.txt")});
    const QString window = xdotool({QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--onlyvisible"),
                                    QStringLiteral("--name"), QStringLiteral("Quellpad bench entry")})
                               .section(u'\n', 0, 0);
    if (window.isEmpty()) {
        std::fprintf(stderr, "the GTK entry window did not appear (python3-gi)\n");
        return 1;
    }
    const qint64 pid = xdotool({QStringLiteral("getwindowpid"), window}).toLongLong();
    auto activateEntry = [&] { xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), window}); };
    activateEntry();
    xdotool({QStringLiteral("type"), QStringLiteral("hello ")});

    test::PanelRig rig;
    for (int i = 0; i < 200; ++i) rig.history->addText(QStringLiteral("history item %1").arg(i));
    QtScreens screens;
    TextCaretPositionDetector detector(accessibility, screens);
    const ClipboardFloatingAnchorResolver resolver([] { return QStringLiteral("authorized"); }, &detector, screens);
    QtOneShotTimerScheduler timers;
    FloatingClipboardPanelController floating(
        rig.controller, FloatingClipboardPanelServices{screens, timers, rig.defaults, DistributionChannel::direct,
                                                       resolver, [pid] { return FloatingAnchorTarget{{}, pid}; }});
    const std::unique_ptr<QObject> widgets =
        makeFloatingClipboardPanelWindow(floating, rig.controller, rig.defaults, rig.localizer, false);
    QAbstractItemView* list = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (auto* view = top->findChild<QAbstractItemView*>(QStringLiteral("FloatingClipboardResultList"))) list = view;
    }
    if (list == nullptr) return 1;
    rig.viewModel.loadItems(false);
    processUntil([&] { return !rig.viewModel.clipboardItems().empty(); });

    std::vector<double> openings;
    int atCaret = 0;
    for (int run = 0; run < runs + 1; ++run) { // the first opening warms caches and is not counted
        bool caret = false;
        const QMetaObject::Connection presented =
            QObject::connect(&floating, &FloatingClipboardPanelController::panelPresented, [&caret](const FloatingClipboardAnchor& anchor, const QRectF&) {
                caret = anchor.kind == FloatingClipboardAnchor::Kind::caret;
            });
        FirstPaint paint(list);
        const Clock::time_point start = Clock::now();
        floating.show();
        if (!processUntil([&] { return paint.painted.has_value(); })) {
            std::fprintf(stderr, "the panel never painted\n");
            return 1;
        }
        QObject::disconnect(presented);
        if (run > 0) {
            openings.push_back(millisecondsBetween(start, *paint.painted));
            atCaret += caret ? 1 : 0;
        }
        floating.hide();
        processUntil([] { return false; }, 30); // the window manager settles
        activateEntry();
    }
    std::printf("floating panel, shortcut action to first painted frame at the caret (%d runs, %d at the caret):\n",
                runs, atCaret);
    std::printf("  p50 %.1f ms, p95 %.1f ms, max %.1f ms\n", percentile(openings, 50), percentile(openings, 95),
                percentile(openings, 100));

    std::vector<double> hung;
    ::kill(static_cast<pid_t>(pid), SIGSTOP);
    for (int run = 0; run < 5; ++run) {
        const Clock::time_point start = Clock::now();
        const auto rect = detector.detectCaretRect(std::nullopt, pid);
        hung.push_back(millisecondsBetween(start, Clock::now()));
        if (rect) std::fprintf(stderr, "a stopped application answered?\n");
    }
    ::kill(static_cast<pid_t>(pid), SIGCONT);
    std::printf("caret detection of a stopped application (5 runs): p50 %.1f ms, max %.1f ms (budget %lld ms)\n",
                percentile(hung, 50), percentile(hung, 100),
                static_cast<long long>(TextCaretPositionDetector::defaultBudget.count()));
    entry.terminate();
    entry.waitForFinished(5000);
    return atCaret == runs ? 0 : 1;
}

const BenchRegistration registration({QStringLiteral("floating"),
                                      QStringLiteral("floating panel at a GTK entry's caret (needs X, xcb)"),
                                      runFloating});

} // namespace

} // namespace quellpad::bench
