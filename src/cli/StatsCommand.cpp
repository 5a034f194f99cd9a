// `quellpad stats [--json]` and `quellpad rebuild-index`.
#include <algorithm>

#include <QCommandLineParser>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include "localization/Localizer.h"
#include "cli/CliCommand.h"
#include "cli/CliOutput.h"
#include "cli/CliServices.h"
#include "history/ClipboardHistoryRepository.h"
#include "search/ClipboardSearchServiceProtocol.h"

namespace quellpad {

namespace {

// A WAL database's size includes its write-ahead log.
qint64 databaseBytes(const QString& path) {
    return QFileInfo(path).size() + QFileInfo(path + QStringLiteral("-wal")).size();
}

int runStats(CliContext& context) {
    QCommandLineParser parser;
    parser.setApplicationDescription(context.localizer.text(TextKey::cliStatsSummary));
    const QCommandLineOption json(QStringLiteral("json"), context.localizer.text(TextKey::cliJsonOptionDescription));
    parser.addOption(json);
    if (!parseSubcommandArguments(parser, context) || !expectPositionalArguments(parser, 0, QString(), context)) {
        return 2;
    }
    CliServices services(context);
    if (!services.open()) {
        return 1;
    }
    const ClipboardHistoryStore::Counts counts = services.repository->counts();
    ClipboardSearchIndexStats stats;
    bool indexAvailable = services.repository->hasSearchIndex();
    try {
        QFuture<ClipboardSearchIndexStats> future = services.searchService->indexStats();
        future.waitForFinished();
        stats = future.result();
    } catch (const std::exception&) {
        indexAvailable = false;
    }
    const std::optional<ClipboardSearchIndexLag> lag = services.repository->searchIndexLag();
    const qint64 historyBytes = databaseBytes(services.dataDirectory.storeFilePath());
    const qint64 indexBytes = databaseBytes(services.dataDirectory.searchIndexFilePath());
    if (parser.isSet(json)) {
        QJsonObject object{
            {QStringLiteral("textItems"), static_cast<double>(counts.text)},
            {QStringLiteral("imageItems"), static_cast<double>(counts.image)},
            {QStringLiteral("searchIndexAvailable"), indexAvailable},
            {QStringLiteral("indexDocuments"), static_cast<double>(stats.documentCount)},
            {QStringLiteral("indexGrams"), static_cast<double>(stats.gramCount)},
            {QStringLiteral("lastRebuildAt"),
             stats.lastRebuildAt ? QJsonValue(isoDate(*stats.lastRebuildAt)) : QJsonValue(QJsonValue::Null)},
            {QStringLiteral("historyStoreBytes"), static_cast<double>(historyBytes)},
            {QStringLiteral("searchIndexBytes"), static_cast<double>(indexBytes)},
        };
        // How far the index is behind the history right now.
        if (lag) {
            object.insert(QStringLiteral("indexLag"),
                          QJsonObject{{QStringLiteral("missing"), static_cast<double>(lag->missing)},
                                      {QStringLiteral("orphaned"), static_cast<double>(lag->orphaned)}});
        } else {
            object.insert(QStringLiteral("indexLag"), QJsonValue(QJsonValue::Null));
        }
        printOut(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)));
        return 0;
    }
    const Localizer& text = context.localizer;
    printOut(text.text(TextKey::cliStatsText, {QString::number(counts.text)}));
    printOut(text.text(TextKey::cliStatsImages, {QString::number(counts.image)}));
    if (!indexAvailable) {
        printOut(text.text(TextKey::cliSearchIndexUnavailable));
    }
    printOut(text.text(TextKey::cliStatsDocuments, {QString::number(stats.documentCount)}));
    printOut(text.text(TextKey::cliStatsGrams, {QString::number(stats.gramCount)}));
    printOut(text.text(TextKey::cliStatsLastRebuild,
                       {stats.lastRebuildAt ? stats.lastRebuildAt->toLocalTime().toString(Qt::ISODate)
                                            : text.text(TextKey::cliStatsNever)}));
    printOut(text.text(TextKey::cliStatsHistoryBytes, {QString::number(historyBytes)}));
    printOut(text.text(TextKey::cliStatsIndexBytes, {QString::number(indexBytes)}));
    return 0;
}

int runRebuildIndex(CliContext& context) {
    QCommandLineParser parser;
    parser.setApplicationDescription(context.localizer.text(TextKey::cliRebuildIndexSummary));
    if (!parseSubcommandArguments(parser, context) || !expectPositionalArguments(parser, 0, QString(), context)) {
        return 2;
    }
    CliServices services(context);
    if (!services.open()) {
        return 1;
    }
    if (!services.repository->hasSearchIndex()) {
        printError(context.localizer.text(TextKey::cliSearchIndexUnavailable));
        return 1;
    }
    printError(context.localizer.text(TextKey::cliRebuildStarted));
    // A line per tenth of the history (none for a small one), on standard error like the
    // lines around it. The handler runs on the rebuild's thread while this one only
    // waits, so the sink is never written from both at once.
    CliOutputSink& sink = currentOutputSink();
    qint64 nextReport = 0;
    qint64 lastDone = 0;
    services.searchService->setRebuildProgressHandler([&](qint64 done, qint64 total) {
        if (done < lastDone) {
            nextReport = 0; // a rebuild retried after a busy database starts over
        }
        lastDone = done;
        if (total < 5000 || done < nextReport || done >= total) {
            return;
        }
        sink.writeError(
            context.localizer.text(TextKey::cliRebuildProgress, {QString::number(done), QString::number(total)}).toUtf8() +
            '\n');
        nextReport = done + std::max<qint64>(total / 10, 1);
    });
    try {
        QFuture<ClipboardSearchRebuildResult> future = services.searchService->rebuildIndex();
        future.waitForFinished();
        services.searchService->setRebuildProgressHandler(nullptr);
        const ClipboardSearchRebuildResult result = future.result();
        printError(context.localizer.text(TextKey::cliRebuildFinished, {QString::number(result.indexedCount),
                                                                          QString::number(result.stats.gramCount)}));
        // Copies indexed by another process after the rebuild read the history were
        // replaced with it; bring them back before exiting.
        services.repository->reconcileSearchIndex();
    } catch (const std::exception& error) {
        printError(context.localizer.text(TextKey::cliOperationFailed, {QString::fromUtf8(error.what())}));
        return 1;
    }
    return 0;
}

const CliCommandRegistration statsRegistration({QStringLiteral("stats"), TextKey::cliStatsSummary, runStats});
const CliCommandRegistration rebuildRegistration({QStringLiteral("rebuild-index"), TextKey::cliRebuildIndexSummary,
                                                  runRebuildIndex});

} // namespace

} // namespace quellpad
