// `quellpad rebuild-index` killed with SIGKILL halfway: the next open finds the old
// index whole and the rebuild owed, and finishing it gives the answers of a fresh one.
// The same for a process killed while it converts an index of the earlier layout.
#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <sqlite3.h>

#include "Core/Utilities/NotificationCenter.h"
#include "Core/Utilities/SQLiteDatabase.h"
#include "app/ClipboardServiceBuilder.h"
#include "classification/LocalClipboardClassificationService.h"
#include "history/ClipboardHistoryRepository.h"
#include "history/ClipboardHistoryStore.h"
#include "history/DataDirectoryManager.h"
#include "platform/Clock.h"
#include "platform/fake/InMemoryDefaultsStore.h"
#include "search/ClipboardSearchGramTokenizer.h"
#include "search/ClipboardSearchService.h"
#include "search/SQLiteClipboardSearchIndexStore.h"
#include "support/CliHarness.h"

using namespace quellpad;
using namespace quellpad::test;

namespace {

constexpr int historyItems = 20000;

const char* const words[] = {"invoice", "meeting", "deploy", "budget", "server", "draft", "holiday", "ticket"};

void writeHistory(const QString& path) {
    ClipboardHistoryStore store(path);
    SQLiteTransaction transaction(store.database());
    const QDateTime start = QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC);
    for (int i = 0; i < historyItems; ++i) {
        const QString id = QStringLiteral("00000000-0000-0000-0000-%1").arg(i, 12, 10, QLatin1Char('0'));
        const QString text = QStringLiteral("note %1 about the %2 and %3, ref-%4")
                                 .arg(i)
                                 .arg(QString::fromLatin1(words[i % 8]))
                                 .arg(QString::fromLatin1(words[(i / 8) % 8]))
                                 .arg(i % 97);
        store.insert({id, text, text, start.addSecs(i), std::nullopt, 0, ClipboardContentType::text,
                      QStringLiteral("org.example.Editor"), std::nullopt},
                     {{id, text, std::nullopt, std::nullopt, std::nullopt, std::nullopt}, std::nullopt});
    }
    transaction.commit();
}

QStringList stampsOf(const QString& path) {
    ClipboardHistoryStore store(path, SQLiteDatabase::Mode::readOnly);
    QStringList stamps;
    for (const auto& stamp : store.itemStamps()) {
        stamps.push_back(stamp.id + QLatin1Char(' ') + stamp.sortAt.toString(Qt::ISODateWithMs) + QLatin1Char(' ') +
                         QString::number(stamp.accessCount));
    }
    return stamps;
}

qint64 scalar(const QString& path, const char* sql) {
    SQLiteDatabase database(path, SQLiteDatabase::Mode::readOnly);
    SQLiteStatement statement(database, sql);
    return statement.step() ? statement.int64(0) : -1;
}

const QStringList comparedQueries{QStringLiteral("note 1234"), QStringLiteral("invoice"), QStringLiteral("de"),
                                  QStringLiteral("ref-42"), QStringLiteral("budget draft"), QStringLiteral("9"),
                                  QStringLiteral("app:org.example.Editor holiday"), QStringLiteral("nothing-here")};

QStringList pageIds(ClipboardSearchServiceProtocol& service, const QString& query, int offset) {
    QStringList ids;
    const ClipboardSearchPage page = service.search(query, offset, 50).result();
    for (const auto& item : page.items) {
        ids.push_back(item.id);
    }
    ids.push_back(page.hasMore ? QStringLiteral("more") : QStringLiteral("end"));
    return ids;
}

} // namespace

TEST(RebuildIndexKill, AKilledRebuildIsFinishedOnTheNextOpenWithTheAnswersOfAFreshOne) {
    CliHarness cli;
    ASSERT_TRUE(QDir().mkpath(cli.dataPath()));
    const QString historyPath = cli.dataPath() + QStringLiteral("/clipboard_history.sqlite");
    writeHistory(historyPath);
    const CliResult first = cli.run({QStringLiteral("rebuild-index")});
    ASSERT_EQ(first.exitCode, 0) << first.err.toStdString();
    const auto historyBefore = stampsOf(historyPath);

    QProcess rebuild;
    rebuild.setProcessEnvironment(cli.environment());
    rebuild.start(QStringLiteral(QUELLPAD_CLI_PATH), {QStringLiteral("rebuild-index")});
    ASSERT_TRUE(rebuild.waitForStarted(10'000));
    QByteArray err;
    const QDeadlineTimer deadline(120'000);
    while (!err.contains(" of 20000") && !deadline.hasExpired() && rebuild.state() == QProcess::Running) {
        rebuild.waitForReadyRead(100);
        err += rebuild.readAllStandardError();
    }
    ASSERT_TRUE(err.contains(" of 20000")) << "no progress line: " << err.toStdString();
    rebuild.kill();
    ASSERT_TRUE(rebuild.waitForFinished(10'000));
    ASSERT_EQ(rebuild.exitStatus(), QProcess::CrashExit) << "the rebuild finished before the kill";

    InMemoryDefaultsStore defaults;
    DataDirectoryManager dataDirectory(defaults);
    NotificationCenter notifications;
    auto store = ClipboardServiceBuilder::openSearchIndexStore(dataDirectory, defaults);
    ASSERT_TRUE(store);
    EXPECT_TRUE(store->owesRebuild());
    // The rollback left the old index, whole and searchable.
    EXPECT_EQ(store->availability(), SQLiteClipboardSearchIndexStore::Availability::ready);
    EXPECT_EQ(store->stats().documentCount, historyItems);

    auto repository = ClipboardServiceBuilder::openRepository(dataDirectory, store, defaults, notifications,
                                                              std::make_shared<SystemClock>());
    ASSERT_TRUE(repository);
    auto recovered = ClipboardServiceBuilder::makeSearchService(repository, store, defaults,
                                                                ClipboardServiceBuilder::SearchIndexRecovery::automatic);
    ASSERT_TRUE(processEventsUntil([&] { return !store->owesRebuild(); }, 180'000));

    QTemporaryDir freshDirectory;
    auto freshStore = std::make_shared<SQLiteClipboardSearchIndexStore>(
        freshDirectory.filePath(QStringLiteral("clipboard_search.sqlite")), defaults);
    ClipboardSearchService fresh(repository, freshStore, ClipboardSearchIndexConfiguration{},
                                 std::make_shared<LocalClipboardClassificationService>(), defaults, nullptr);
    EXPECT_EQ(fresh.rebuildIndex().result().indexedCount, historyItems);
    EXPECT_EQ(store->stats().documentCount, historyItems);
    for (const QString& query : comparedQueries) {
        for (int offset : {0, 50, 19990}) {
            EXPECT_EQ(pageIds(*recovered, query, offset), pageIds(fresh, query, offset)) << query.toStdString();
        }
    }
    recovered.reset();
    repository->waitForIndexSync();
    EXPECT_EQ(stampsOf(historyPath), historyBefore) << "the history changed";
}

TEST(RebuildIndexKill, AConversionKilledHalfwayConvertsAgainOnTheNextOpen) {
    CliHarness cli;
    ASSERT_TRUE(QDir().mkpath(cli.dataPath()));
    writeHistory(cli.dataPath() + QStringLiteral("/clipboard_history.sqlite"));
    const CliResult first = cli.run({QStringLiteral("rebuild-index")});
    ASSERT_EQ(first.exitCode, 0) << first.err.toStdString();
    const QString indexPath = cli.dataPath() + QStringLiteral("/clipboard_search.sqlite");
    // Back to the earlier layout: the FTS table with its own copy of the texts, a gram
    // table, no version.
    {
        SQLiteDatabase index(indexPath);
        ASSERT_EQ(ClipboardSearchGramTokenizer::registerOn(index.handle()), SQLITE_OK); // to drop its table
        index.execute("DROP TABLE fts_terms; DROP TABLE gram_postings;"
                      "CREATE VIRTUAL TABLE fts_terms USING fts5(normalized_text, pinyin_spaced);"
                      "INSERT INTO fts_terms (rowid, normalized_text, pinyin_spaced) "
                      "SELECT doc_id, normalized_text, pinyin_spaced FROM documents;"
                      "CREATE TABLE compact_grams (gram TEXT NOT NULL, doc_id INTEGER NOT NULL, "
                      "PRIMARY KEY (gram, doc_id)) WITHOUT ROWID;"
                      "PRAGMA user_version = 0; PRAGMA wal_checkpoint(TRUNCATE);");
    }

    QProcess stats;
    stats.setProcessEnvironment(cli.environment());
    stats.start(QStringLiteral(QUELLPAD_CLI_PATH), {QStringLiteral("stats")});
    ASSERT_TRUE(stats.waitForStarted(10'000));
    const QDeadlineTimer deadline(60'000);
    const QString log = indexPath + QStringLiteral("-wal");
    while (QFileInfo(log).size() < 256 * 1024 && !deadline.hasExpired() && stats.state() == QProcess::Running) {
        QThread::msleep(5); // polling the log's size, up to the deadline
    }
    stats.kill();
    ASSERT_TRUE(stats.waitForFinished(10'000));
    ASSERT_EQ(stats.exitStatus(), QProcess::CrashExit) << "the conversion finished before the kill";
    EXPECT_EQ(scalar(indexPath, "PRAGMA user_version;"), 0) << "the conversion was not rolled back";

    InMemoryDefaultsStore defaults;
    DataDirectoryManager dataDirectory(defaults);
    NotificationCenter notifications;
    auto store = ClipboardServiceBuilder::openSearchIndexStore(dataDirectory, defaults);
    ASSERT_TRUE(store);
    EXPECT_EQ(scalar(indexPath, "PRAGMA user_version;"), 3);
    EXPECT_EQ(store->stats().documentCount, historyItems);
    auto repository = ClipboardServiceBuilder::openRepository(dataDirectory, store, defaults, notifications,
                                                              std::make_shared<SystemClock>());
    ASSERT_TRUE(repository);
    auto converted = ClipboardServiceBuilder::makeSearchService(repository, store, defaults);

    QTemporaryDir freshDirectory;
    auto freshStore = std::make_shared<SQLiteClipboardSearchIndexStore>(
        freshDirectory.filePath(QStringLiteral("clipboard_search.sqlite")), defaults);
    ClipboardSearchService fresh(repository, freshStore, ClipboardSearchIndexConfiguration{},
                                 std::make_shared<LocalClipboardClassificationService>(), defaults, nullptr);
    ASSERT_EQ(fresh.rebuildIndex().result().indexedCount, historyItems);
    for (const QString& query : comparedQueries) {
        for (int offset : {0, 50, 19990}) {
            EXPECT_EQ(pageIds(*converted, query, offset), pageIds(fresh, query, offset)) << query.toStdString();
        }
    }
}
