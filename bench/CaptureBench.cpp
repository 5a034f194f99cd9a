// `quellpad-bench capture [--sizes 1000,100000] [--captures N] [--json]`: the capture
// path as the user pays for it. For each history size it fills real SQLite files
// (history and index), then drives the clipboard monitor from an in-memory pasteboard
// and measures, per copy, the time spent on the main thread and the time until the
// copy is searchable. Also measures the throughput of `quellpad add --jsonl` (the same
// recorder, one item at a time).
#include <chrono>
#include <cstdio>

#include <QBuffer>
#include <QCommandLineParser>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "Core/Utilities/NotificationCenter.h"
#include "Core/Utilities/Uuid.h"
#include "bench/BenchCommand.h"
#include "capture/ClipboardCaptureRecorder.h"
#include "capture/ClipboardMonitor.h"
#include "classification/LocalClipboardClassificationService.h"
#include "history/ClipboardHistoryAutoCleanupRunner.h"
#include "history/ClipboardHistoryPreview.h"
#include "history/ClipboardHistoryRepository.h"
#include "history/ClipboardHistoryStore.h"
#include "history/DataDirectoryManager.h"
#include "platform/QtImageCodec.h"
#include "platform/fake/FakePasteboard.h"
#include "platform/fake/FakeWorkspace.h"
#include "platform/fake/InMemoryDefaultsStore.h"
#include "platform/fake/ManualTimerScheduler.h"
#include "search/ClipboardSearchFilter.h"
#include "search/ClipboardSearchIndexDocument.h"
#include "search/ClipboardSearchIndexWriter.h"
#include "search/SQLiteClipboardSearchIndexStore.h"

namespace quellpad::bench {

namespace {

using Steady = std::chrono::steady_clock;

double msSince(Steady::time_point start) {
    return std::chrono::duration<double, std::milli>(Steady::now() - start).count();
}

QString syntheticText(qint64 i, int length) {
    static const QStringList words{QStringLiteral("clipboard"), QStringLiteral("history"), QStringLiteral("search"),
                                   QStringLiteral("index"),     QStringLiteral("query"),   QStringLiteral("select"),
                                   QStringLiteral("function"),  QStringLiteral("return"),  QStringLiteral("value")};
    QString text = QStringLiteral("item %1 ").arg(i);
    for (qint64 w = i; text.size() < length; w = w * 31 + 7) {
        text += words[static_cast<int>(std::abs(w) % words.size())] + QLatin1Char(' ');
    }
    return text.left(length);
}

QByteArray pngOfSize(int side, int seed) {
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(QColor::fromRgb(static_cast<QRgb>(0xff000000u | static_cast<unsigned>(seed * 2654435761u))));
    // A few distinct pixels keep every image unique.
    for (int k = 0; k < 16; ++k) {
        image.setPixel((seed * 7 + k) % side, (seed * 13 + k) % side, qRgb(k, seed % 256, 255 - k));
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// Fills history and index directly, in bulk, with items older than the benchmark's.
void prefill(const QString& storePath, SQLiteClipboardSearchIndexStore& index, qint64 count) {
    ClipboardHistoryStore store(storePath);
    std::vector<ClipboardSearchIndexDocument> documents;
    documents.reserve(static_cast<size_t>(count));
    const QDateTime base = QDateTime::currentDateTimeUtc().addDays(-30);
    const qint64 batch = 50000;
    for (qint64 start = 0; start < count; start += batch) {
        SQLiteTransaction transaction(store.database());
        for (qint64 i = start; i < std::min(count, start + batch); ++i) {
            const QString text = syntheticText(i, 60 + static_cast<int>(i % 240));
            ClipboardHistoryIndexSnapshot header{Uuid::makeString(), text.left(80), text, base.addMSecs(i * 10),
                                                 std::nullopt, 0, ClipboardContentType::text, std::nullopt, std::nullopt};
            store.insert(header, {{header.id, text, std::nullopt, std::nullopt, std::nullopt, std::nullopt},
                                  textDuplicateFingerprint(text)});
            ClipboardSearchSourceDocument source{header.id, header.preview, text, header.createdAt, std::nullopt, 0,
                                                 ClipboardContentType::text, std::nullopt, std::nullopt};
            documents.push_back(ClipboardSearchIndexDocument::make(source, {}));
        }
        transaction.commit();
    }
    index.rebuild(documents);
}

// Real SQLite files in a temporary data directory.
struct BenchStorage {
    QTemporaryDir directory;
    InMemoryDefaultsStore defaults;
    NotificationCenter notifications;
    std::unique_ptr<DataDirectoryManager> dataDirectory;

    BenchStorage() {
        DataDirectoryManager::Environment environment;
        const QString path = directory.path();
        environment.variable = [path](const QString& name) {
            return name == DataDirectoryManager::storageDirectoryOverrideEnvironmentKey ? path : QString();
        };
        dataDirectory = std::make_unique<DataDirectoryManager>(defaults, environment);
    }
};

struct SizeResult {
    qint64 items = 0;
    double prefillSeconds = 0;
    std::vector<double> textMainThread, textSearchable, imageMainThread, imageSearchable;
};

SizeResult measureSize(qint64 items, int captures) {
    SizeResult result;
    result.items = items;
    BenchStorage storage;
    InMemoryDefaultsStore& defaults = storage.defaults;
    NotificationCenter& notifications = storage.notifications;
    DataDirectoryManager& dataDirectory = *storage.dataDirectory;
    auto index = std::make_shared<SQLiteClipboardSearchIndexStore>(dataDirectory.searchIndexFilePath(), defaults);
    const auto prefillStart = Steady::now();
    prefill(dataDirectory.storeFilePath(), *index, items);
    result.prefillSeconds = msSince(prefillStart) / 1000.0;

    auto clock = std::make_shared<SystemClock>();
    auto repository = std::make_shared<ClipboardHistoryRepository>(dataDirectory, ClipboardSearchIndexWriter::make(index, defaults), defaults, notifications, clock);
    auto classifier = std::make_shared<LocalClipboardClassificationService>();
    FakePasteboard pasteboard;
    pasteboard.setEmitsChanges(false);
    FakeWorkspace workspace;
    QtImageCodec codec;
    ManualTimerScheduler timers;
    ClipboardMonitorDependencies dependencies{
        repository,
        std::make_shared<ClipboardHistoryAutoCleanupRunner>(repository, defaults, 3600.0),
        pasteboard,
        workspace,
        codec,
        defaults,
        *clock,
        timers,
        nullptr,
        [classifier, &defaults](const QString& text) { return storedClassification(classifier->classify(text, defaults)); },
        {},
        DistributionChannel::direct,
    };
    ClipboardMonitor monitor(std::move(dependencies));
    monitor.startMonitoring(false);

    auto searchable = [&](const QString& word) {
        return !index->search(ClipboardSearchIndexQuery::fromText(word), {}, 1, 0).items.empty();
    };
    for (int i = 0; i < captures; ++i) {
        // About 1 KB of text with a unique word to search for.
        const QString word = QStringLiteral("uniqueword%1x").arg(i);
        pasteboard.setText(word + QLatin1Char(' ') + syntheticText(items + i, 1000));
        const auto start = Steady::now();
        monitor.checkForChanges();
        result.textMainThread.push_back(msSince(start));
        repository->waitForIndexSync();
        result.textSearchable.push_back(msSince(start));
        if (!searchable(word)) {
            std::fprintf(stderr, "warning: captured text %d was not searchable\n", i);
        }
    }
    const int imageCaptures = std::max(1, captures / 4);
    for (int i = 0; i < imageCaptures; ++i) {
        pasteboard.setContent({{PasteboardTypes::png, pngOfSize(256, i + 1)}});
        const auto start = Steady::now();
        monitor.checkForChanges();
        result.imageMainThread.push_back(msSince(start));
        repository->waitForIndexSync();
        result.imageSearchable.push_back(msSince(start));
    }
    monitor.stopMonitoring();
    return result;
}

double jsonlThroughput(int count) {
    BenchStorage storage;
    InMemoryDefaultsStore& defaults = storage.defaults;
    NotificationCenter& notifications = storage.notifications;
    DataDirectoryManager& dataDirectory = *storage.dataDirectory;
    auto index = std::make_shared<SQLiteClipboardSearchIndexStore>(dataDirectory.searchIndexFilePath(), defaults);
    auto repository = std::make_shared<ClipboardHistoryRepository>(dataDirectory, ClipboardSearchIndexWriter::make(index, defaults), defaults, notifications,
                                                                   std::make_shared<SystemClock>());
    auto classifier = std::make_shared<LocalClipboardClassificationService>();
    ClipboardCaptureRecorder recorder({repository, std::make_shared<ClipboardHistoryAutoCleanupRunner>(repository, defaults, 3600.0),
                                       nullptr, [classifier, &defaults](const QString& text) {
                                           return storedClassification(classifier->classify(text, defaults));
                                       }});
    const auto start = Steady::now();
    for (int i = 0; i < count; ++i) {
        recorder.recordText({syntheticText(i, 150), std::nullopt, std::nullopt}, QStringLiteral("org.example.Import"));
    }
    repository->waitForIndexSync();
    return count / (msSince(start) / 1000.0);
}

QJsonObject summary(const std::vector<double>& samples) {
    return {{QStringLiteral("p50"), percentile(samples, 50)}, {QStringLiteral("p95"), percentile(samples, 95)}};
}

int runCapture(const QStringList& arguments) {
    if (arguments.contains(QStringLiteral("--burst"))) {
        return runCaptureBurst(arguments);
    }
    QCommandLineParser parser;
    const QCommandLineOption sizes(QStringLiteral("sizes"), QStringLiteral("History sizes, comma-separated."),
                                   QStringLiteral("N,N"), QStringLiteral("1000,100000"));
    const QCommandLineOption captures(QStringLiteral("captures"), QStringLiteral("Copies measured per size."),
                                      QStringLiteral("N"), QStringLiteral("200"));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Print one JSON object."));
    parser.addOptions({sizes, captures, json});
    if (!parser.parse(QStringList{QStringLiteral("capture")} + arguments)) {
        std::fprintf(stderr, "%s\n", qPrintable(parser.errorText()));
        return 2;
    }
    const int captureCount = std::max(1, parser.value(captures).toInt());
    QJsonObject bySize;
    for (const QString& size : parser.value(sizes).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const qint64 items = size.toLongLong();
        const SizeResult result = measureSize(items, captureCount);
        const QJsonObject entry{
            {QStringLiteral("prefillSeconds"), result.prefillSeconds},
            {QStringLiteral("textMainThreadMs"), summary(result.textMainThread)},
            {QStringLiteral("textSearchableMs"), summary(result.textSearchable)},
            {QStringLiteral("imageMainThreadMs"), summary(result.imageMainThread)},
            {QStringLiteral("imageSearchableMs"), summary(result.imageSearchable)},
        };
        bySize.insert(QString::number(items), entry);
        if (!parser.isSet(json)) {
            std::printf("%lld items (prefill %.1f s): text main thread p50 %.2f ms p95 %.2f ms, searchable p95 %.2f ms; "
                        "image main thread p50 %.2f ms p95 %.2f ms\n",
                        static_cast<long long>(items), result.prefillSeconds, percentile(result.textMainThread, 50),
                        percentile(result.textMainThread, 95), percentile(result.textSearchable, 95),
                        percentile(result.imageMainThread, 50), percentile(result.imageMainThread, 95));
            std::fflush(stdout);
        }
    }
    const double throughput = jsonlThroughput(2000);
    const QJsonObject report{{QStringLiteral("sizes"), bySize},
                             {QStringLiteral("addJsonlItemsPerSecond"), throughput},
                             {QStringLiteral("peakRssBytes"), static_cast<double>(peakResidentBytes())}};
    if (parser.isSet(json)) {
        std::printf("%s\n", QJsonDocument(report).toJson(QJsonDocument::Compact).constData());
    } else {
        std::printf("add --jsonl: %.0f items/s; peak RSS %.1f MB\n", throughput, peakResidentBytes() / 1048576.0);
    }
    return 0;
}

const BenchRegistration registration({QStringLiteral("capture"), QStringLiteral("capture path cost per copy"), runCapture});

} // namespace

} // namespace quellpad::bench
