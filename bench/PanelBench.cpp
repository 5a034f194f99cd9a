// `quellpad-bench panel`: the real panel widgets over a seeded history on disk (the
// offscreen platform is enough): from the panel action to the first painted frame
// with rows, and from a keystroke to the painted results of that text (after the
// debounce), p50/p95, and the peak memory with the panel shown.
#include <chrono>
#include <cstdio>
#include <random>

#include <QAbstractItemView>
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProcess>
#include <QWidget>

#include "Core/Utilities/ClipboardSearchText.h"
#include "Core/Utilities/NotificationCenter.h"
#include "app/ClipboardServiceBuilder.h"
#include "bench/BenchCommand.h"
#include "history/ClipboardHistoryManager.h"
#include "history/ClipboardHistoryRepository.h"
#include "history/DataDirectoryManager.h"
#include "localization/Localizer.h"
#include "panel/ClipboardPanelController.h"
#include "panel/ClipboardPanelViewModel.h"
#include "panel/ClipboardTemporaryFiles.h"
#include "panel/widgets/ClipboardPanelWindowFactory.h"
#include "platform/Clock.h"
#include "platform/OneShotTimer.h"
#include "platform/fake/FakePasteboard.h"
#include "platform/fake/FakeWorkspace.h"
#include "platform/fake/InMemoryDefaultsStore.h"
#include "search/SQLiteClipboardSearchIndexStore.h"

namespace quellpad::bench {

namespace {

using Clock = std::chrono::steady_clock;

void progress(const QString& line) {
    std::fprintf(stderr, "%s\n", qPrintable(line));
}

class NoCapture final : public ClipboardCaptureSuspending {
public:
    void performWithoutCapture(const std::function<void()>& body) override { body(); }
};

// Notes when the result list paints while it shows rows.
class PaintWatcher final : public QObject {
public:
    explicit PaintWatcher(QAbstractItemView* view) : view_(view) { view_->viewport()->installEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && view_->model() && view_->model()->rowCount() > 0) {
            ++paints;
            lastPaint = Clock::now();
        }
        return QObject::eventFilter(watched, event);
    }
    int paints = 0;
    Clock::time_point lastPaint;

private:
    QAbstractItemView* view_;
};

bool processUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// A history of notes, code, links and JSON, as `quellpad add --jsonl` imports it.
bool seedHistory(const QString& directory, int items) {
    const QString marker = directory + QStringLiteral("/seeded-%1").arg(items);
    if (QFile::exists(marker)) return true;
    QDir(directory).removeRecursively();
    QDir().mkpath(directory);
    const QString jsonl = directory + QStringLiteral("/items.jsonl");
    QFile file(jsonl);
    if (!file.open(QIODevice::WriteOnly)) return false;
    static const char* const words[] = {"meeting", "project", "release", "customer", "invoice", "schedule", "review",
                                        "design", "server", "config", "deploy", "update", "report", "budget",
                                        "the", "of", "and", "to", "in", "is", "please", "thanks", "tomorrow",
                                        "clipboard", "history", "search", "window", "keyboard", "feature", "order"};
    std::mt19937 random(7);
    const qint64 base = 1'700'000'000;
    for (int i = 0; i < items; ++i) {
        QString text;
        switch (random() % 5) {
        case 0:
            text = QStringLiteral("https://github.com/org/repo/pull/%1").arg(random() % 100000);
            break;
        case 1:
            text = QStringLiteral("{\"id\": %1, \"name\": \"%2\", \"tags\": [\"%3\", \"%4\"]}")
                       .arg(i)
                       .arg(QLatin1String(words[random() % 30]), QLatin1String(words[random() % 30]),
                            QLatin1String(words[random() % 30]));
            break;
        default:
            for (int w = 0, n = 3 + static_cast<int>(random() % 40); w < n; ++w) {
                text += QLatin1String(words[random() % 30]) + QLatin1Char(' ');
            }
            text += QString::number(i);
        }
        const QJsonObject line{{QStringLiteral("text"), text},
                               {QStringLiteral("createdAt"), QDateTime::fromSecsSinceEpoch(base + i).toString(Qt::ISODate)}};
        file.write(QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n');
    }
    file.close();
    progress(QStringLiteral("seeding %1 items (once; reused from %2)").arg(items).arg(directory));
    QProcess add;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QUELLPAD_STORAGE_DIRECTORY"), directory + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), directory + QStringLiteral("/config"));
    add.setProcessEnvironment(env);
    add.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    add.start(QStringLiteral(QUELLPAD_CLI_PATH), {QStringLiteral("add"), QStringLiteral("--jsonl"), jsonl});
    if (!add.waitForFinished(-1) || add.exitCode() != 0) return false;
    QFile::remove(jsonl);
    QFile(marker).open(QIODevice::WriteOnly);
    return true;
}

int runPanel(const QStringList& arguments) {
    QCommandLineParser parser;
    const QCommandLineOption itemsOption(QStringLiteral("items"), QStringLiteral("History size (default 100000)."),
                                         QStringLiteral("N"), QStringLiteral("100000"));
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Openings measured (default 40)."),
                                        QStringLiteral("N"), QStringLiteral("40"));
    const QCommandLineOption directoryOption(QStringLiteral("directory"),
                                             QStringLiteral("Where the seeded history is kept between runs."),
                                             QStringLiteral("DIR"));
    const QCommandLineOption jsonOption(QStringLiteral("json"), QStringLiteral("Print the results as JSON."));
    parser.addOptions({itemsOption, runsOption, directoryOption, jsonOption});
    parser.process(QStringList{QStringLiteral("quellpad-bench panel")} + arguments);
    const int items = parser.value(itemsOption).toInt();
    const int runs = std::max(1, parser.value(runsOption).toInt());
    const QString directory = parser.isSet(directoryOption)
                                  ? parser.value(directoryOption)
                                  : QDir::tempPath() + QStringLiteral("/quellpad-bench-panel-%1").arg(items);
    if (!seedHistory(directory, items)) {
        progress(QStringLiteral("seeding failed"));
        return 1;
    }

    qputenv("QUELLPAD_STORAGE_DIRECTORY", QFile::encodeName(directory + QStringLiteral("/data")));
    InMemoryDefaultsStore defaults;
    NotificationCenter notifications;
    DataDirectoryManager dataDirectory(defaults);
    auto store = ClipboardServiceBuilder::openSearchIndexStore(dataDirectory, defaults);
    auto repository = ClipboardServiceBuilder::openRepository(dataDirectory, store, defaults, notifications,
                                                              std::make_shared<SystemClock>());
    if (!store || !repository) {
        progress(QStringLiteral("cannot open the seeded history"));
        return 1;
    }
    auto search = ClipboardServiceBuilder::makeSearchService(repository, store, defaults);
    auto manager = std::make_shared<ClipboardHistoryManager>(repository, std::make_shared<NoCapture>());
    QtOneShotTimerScheduler timers;
    Localizer localizer(defaults);
    FakePasteboard pasteboard;
    FakeWorkspace workspace;
    ClipboardTemporaryFiles temporaryFiles(timers, directory + QStringLiteral("/tmp"));
    ClipboardPanelViewModel model(manager, search, defaults, timers, localizer);
    ClipboardPanelController controller(model, ClipboardPanelControllerServices{
                                                   .pasteboard = pasteboard,
                                                   .workspace = workspace,
                                                   .defaults = defaults,
                                                   .localizer = localizer,
                                                   .temporaryFiles = temporaryFiles,
                                                   .channel = DistributionChannel::unknown,
                                                   .directPaste = nullptr,
                                                   .isAccessibilityTrusted = nullptr,
                                                   .isRecordingPaused = nullptr,
                                                   .pinWindowFactory = nullptr,
                                                   .presentOCRWindow = nullptr,
                                               });
    std::unique_ptr<QObject> widgets = makeClipboardPanelWindow(controller, defaults, localizer);
    QWidget* window = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->findChild<QAbstractItemView*>()) window = top;
    }
    QAbstractItemView* list = window ? window->findChild<QAbstractItemView*>() : nullptr;
    QLineEdit* field = window ? window->findChild<QLineEdit*>() : nullptr;
    if (!list || !field) {
        progress(QStringLiteral("the panel window has no list or search field"));
        return 1;
    }
    PaintWatcher watcher(list);
    // As at launch: the first page is loaded before the panel is first opened.
    model.loadItems(false);
    processUntil([&] { return !model.isLoading(); });

    std::vector<double> openings;
    for (int run = 0; run < runs; ++run) {
        const int paintsBefore = watcher.paints;
        const Clock::time_point start = Clock::now();
        controller.show();
        if (!processUntil([&] { return watcher.paints > paintsBefore && !model.clipboardItems().empty(); })) {
            progress(QStringLiteral("the panel never painted rows"));
            return 1;
        }
        openings.push_back(std::chrono::duration<double, std::milli>(watcher.lastPaint - start).count());
        processUntil([&] { return !model.isLoading(); });
        controller.dismiss();
        processUntil([&] { return !model.isLoading(); });
    }

    // Typing: one key at a time, each waited for until its results are painted.
    controller.show();
    processUntil([&] { return !model.isLoading(); });
    const QStringList typed = {QStringLiteral("meeting"), QStringLiteral("github pull"), QStringLiteral("type:json tags"),
                               QStringLiteral("budget 42"), QStringLiteral("zzqx")};
    std::vector<double> keystrokes;
    std::vector<double> searches; // the query alone, from sent to answered
    quint64 queries = 0;
    Clock::time_point queryStart;
    QObject::connect(&model, &ClipboardPanelViewModel::queryStarted, [&] {
        ++queries;
        queryStart = Clock::now();
    });
    QObject::connect(&model, &ClipboardPanelViewModel::isLoadingChanged, [&] {
        if (!model.isLoading() && queries > 0) {
            searches.push_back(std::chrono::duration<double, std::milli>(Clock::now() - queryStart).count());
        }
    });
    for (const QString& text : typed) {
        field->clear();
        processUntil([&] { return !model.isLoading(); });
        for (const QChar c : text) {
            const int paintsBefore = watcher.paints;
            const quint64 queriesBefore = queries;
            const Clock::time_point start = Clock::now();
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QCoreApplication::sendEvent(field, &press);
            const QString expected = field->text();
            const bool done = processUntil([&] {
                return queries > queriesBefore && !model.isLoading() && model.searchText() == expected &&
                       (watcher.paints > paintsBefore || model.clipboardItems().empty());
            });
            if (!done) {
                progress(QStringLiteral("no results for ") + expected);
                return 1;
            }
            const Clock::time_point end = model.clipboardItems().empty() ? Clock::now() : watcher.lastPaint;
            keystrokes.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        }
    }
    const double peakMB = static_cast<double>(peakResidentBytes()) / (1024.0 * 1024.0);

    const QJsonObject result{
        {QStringLiteral("items"), items},
        {QStringLiteral("openToPaintedRowsP50Ms"), percentile(openings, 50)},
        {QStringLiteral("openToPaintedRowsP95Ms"), percentile(openings, 95)},
        {QStringLiteral("keystrokeToPaintedResultsP50Ms"), percentile(keystrokes, 50)},
        {QStringLiteral("keystrokeToPaintedResultsP95Ms"), percentile(keystrokes, 95)},
        {QStringLiteral("searchP50Ms"), percentile(searches, 50)},
        {QStringLiteral("searchP95Ms"), percentile(searches, 95)},
        {QStringLiteral("debounceMs"), ClipboardPanelViewModel::searchDebounceSeconds * 1000},
        {QStringLiteral("keystrokes"), static_cast<int>(keystrokes.size())},
        {QStringLiteral("peakResidentMB"), peakMB},
    };
    if (parser.isSet(jsonOption)) {
        std::printf("%s\n", QJsonDocument(result).toJson(QJsonDocument::Compact).constData());
    } else {
        std::printf("items %d\nopen -> painted rows  p50 %.1f ms  p95 %.1f ms (%d openings)\n"
                    "key -> painted results  p50 %.1f ms  p95 %.1f ms (%zu keys, %.0f ms of it the debounce)\n"
                    "  of which the search  p50 %.1f ms  p95 %.1f ms\n"
                    "peak memory %.0f MB\n",
                    items, percentile(openings, 50), percentile(openings, 95), runs, percentile(keystrokes, 50),
                    percentile(keystrokes, 95), keystrokes.size(), ClipboardPanelViewModel::searchDebounceSeconds * 1000,
                    percentile(searches, 50), percentile(searches, 95), peakMB);
    }
    widgets.reset();
    return 0;
}

const BenchRegistration registration({QStringLiteral("panel"),
                                      QStringLiteral("panel opening and typing over a seeded history (real widgets)"),
                                      runPanel});

} // namespace

} // namespace quellpad::bench
