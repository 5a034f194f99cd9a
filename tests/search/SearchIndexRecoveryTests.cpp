// A damaged index file is set aside and replaced once; a rebuild cut short is owed
// on the next open; the service answers "unavailable" until the index is whole again.
#include <gtest/gtest.h>

#include <atomic>
#include <future>

#include <QDir>
#include <QFile>

#include "history/EmptyClipboardHistoryRepository.h"
#include "search/ClipboardSearchService.h"
#include "search/SearchTestSupport.h"
#include "support/TestSupport.h"

using namespace quellpad;
using namespace quellpad::test;
using Availability = SQLiteClipboardSearchIndexStore::Availability;

namespace {

std::vector<ClipboardSearchIndexDocument> manyDocuments(int count, const QString& word = QStringLiteral("entry")) {
    std::vector<ClipboardSearchIndexDocument> documents;
    for (int i = 0; i < count; ++i) {
        documents.push_back(indexDocument(QStringLiteral("D%1").arg(i),
                                          word + QStringLiteral(" %1 ").arg(i) + QString(300, QLatin1Char('a' + i % 26)), i));
    }
    return documents;
}

std::vector<qint64> pagesOf(const QString& path, const char* table) {
    std::vector<qint64> pages;
    sqlite3* db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, "SELECT pageno FROM dbstat WHERE name = ?;", -1, &statement, nullptr);
    sqlite3_bind_text(statement, 1, table, -1, SQLITE_STATIC);
    while (sqlite3_step(statement) == SQLITE_ROW) {
        pages.push_back(sqlite3_column_int64(statement, 0));
    }
    sqlite3_finalize(statement);
    sqlite3_close_v2(db);
    return pages;
}

// Writes garbage over every page of a table (past the file header on page 1), the
// way a bad sector or a stray writer would, and returns the file's bytes afterwards.
QByteArray damagePages(const QString& path, const char* table) {
    const qint64 pageSize = scalar(path, "PRAGMA page_size;");
    const std::vector<qint64> pages = pagesOf(path, table);
    EXPECT_FALSE(pages.empty());
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadWrite));
    for (qint64 page : pages) {
        const qint64 skip = page == 1 ? 100 : 0;
        file.seek((page - 1) * pageSize + skip);
        file.write(QByteArray(static_cast<qsizetype>(pageSize - skip), '\xa5'));
    }
    file.close();
    return readFile(path);
}

QByteArray damageDocumentPages(const QString& path) { return damagePages(path, "documents"); }

// Another connection's commit makes an open connection drop its page cache and read
// the damaged pages from the file on its next statement.
void commitElsewhere(const QString& path) {
    ASSERT_TRUE(execute(path, "INSERT OR REPLACE INTO meta (key, value) VALUES ('elsewhere', 'x');"));
}

QStringList asideCopies(const QString& path) {
    const QFileInfo info(path);
    QStringList names = info.absoluteDir().entryList({info.fileName() + QStringLiteral(".corrupt-*")}, QDir::Files,
                                                     QDir::Name);
    names.removeIf([](const QString& name) { return name.endsWith(QStringLiteral("-wal")) || name.endsWith(QStringLiteral("-shm")); });
    return names;
}

std::vector<QString> ids(const ClipboardSearchPage& page) {
    std::vector<QString> result;
    for (const auto& item : page.items) {
        result.push_back(item.id);
    }
    return result;
}

class RecoveryTest : public ::testing::Test, protected SearchIndexFixture {
protected:
    void SetUp() override { ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath())); }

    // A real index of `count` documents, closed, so that its whole content is in the file.
    void writeClosedIndex(int count) {
        open().rebuild(manyDocuments(count));
        store.reset();
    }

    ClipboardSearchPage find(const QString& text) {
        return store->search(ClipboardSearchIndexQuery::fromText(text), {}, 10, 0);
    }
};

} // namespace

TEST_F(RecoveryTest, ADamagedFileAtOpenIsSetAsideAndAnEmptyIndexOwesTheRebuild) {
    writeClosedIndex(200);
    const QByteArray damaged = damagePages(path, "sqlite_schema");
    LogCapture log;

    open();
    EXPECT_EQ(store->availability(), Availability::awaitingRebuild);
    EXPECT_TRUE(store->owesRebuild());
    EXPECT_EQ(store->stats().documentCount, 0);
    const QStringList copies = asideCopies(path);
    ASSERT_EQ(copies.size(), 1);
    EXPECT_EQ(copies[0], QStringLiteral("clipboard_search.sqlite.corrupt-20231214T221320Z"));
    EXPECT_EQ(readFile(QFileInfo(path).absoluteDir().filePath(copies[0])), damaged);
    EXPECT_TRUE(log.contains(LogLevel::error, QStringLiteral("SQLiteSearch"),
                             QStringLiteral("Clipboard search index is damaged (")));

    // The debt is in the file: a restart before the rebuild still knows it.
    store.reset();
    open();
    EXPECT_EQ(store->availability(), Availability::awaitingRebuild);
    EXPECT_EQ(asideCopies(path).size(), 1);

    store->rebuild(manyDocuments(200));
    EXPECT_EQ(store->availability(), Availability::ready);
    EXPECT_FALSE(store->owesRebuild());
    EXPECT_EQ(ids(find(QStringLiteral("entry 17 r"))).front(), QStringLiteral("D17"));
    store.reset();
    open();
    EXPECT_FALSE(store->owesRebuild());
    EXPECT_EQ(store->stats().documentCount, 200);
}

TEST_F(RecoveryTest, AFileThatIsNotADatabaseIsSetAsideWithItsBytes) {
    QByteArray garbage(64 * 1024, '\x5a');
    garbage.replace(0, 16, "not a database!!");
    ASSERT_TRUE(writeFile(path, garbage));
    ASSERT_TRUE(writeFile(path + QStringLiteral("-wal"), "stale log"));
    open();
    EXPECT_EQ(store->availability(), Availability::awaitingRebuild);
    const QString aside = QFileInfo(path).absoluteDir().filePath(asideCopies(path).value(0));
    EXPECT_EQ(readFile(aside), garbage);
    EXPECT_NE(readFile(path + QStringLiteral("-wal")), QByteArray("stale log"));
    store->upsert(indexDocument(QStringLiteral("NEW"), QStringLiteral("fresh start")));
    EXPECT_EQ(store->stats().documentCount, 1);
}

TEST_F(RecoveryTest, DamageFoundByAStatementIsRecoveredOnceThenTheIndexCloses) {
    SQLiteClipboardSearchIndexStore& opened = open();
    opened.rebuild(manyDocuments(200));
    std::atomic<int> requests = 0;
    opened.setRebuildRequestHandler([&] { ++requests; });
    EXPECT_EQ(requests, 0); // nothing owed yet

    damageDocumentPages(path);
    commitElsewhere(path);
    try {
        opened.fetchRecent(10, 0);
        FAIL() << "a damaged table was read";
    } catch (const SQLiteClipboardSearchIndexStoreError& error) {
        EXPECT_TRUE(error.isCorruption()) << error.what();
    }
    EXPECT_EQ(opened.availability(), Availability::awaitingRebuild);
    EXPECT_EQ(requests, 1);
    EXPECT_EQ(asideCopies(path).size(), 1);
    EXPECT_EQ(opened.stats().documentCount, 0);

    opened.rebuild(manyDocuments(200));
    EXPECT_EQ(opened.availability(), Availability::ready);
    EXPECT_EQ(ids(find(QStringLiteral("entry 3 d"))).front(), QStringLiteral("D3"));

    // The second time the file stays where it is and the index closes.
    const QByteArray damagedAgain = damageDocumentPages(path);
    commitElsewhere(path);
    LogCapture log;
    EXPECT_THROW(opened.fetchRecent(10, 0), SQLiteClipboardSearchIndexStoreError);
    EXPECT_EQ(opened.availability(), Availability::failed);
    EXPECT_EQ(requests, 1);
    EXPECT_EQ(asideCopies(path).size(), 1);
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_TRUE(log.contains(LogLevel::error, QStringLiteral("SQLiteSearch"),
                             QStringLiteral("Clipboard search index is damaged again after it was rebuilt")));
    EXPECT_THROW(opened.stats(), SQLiteClipboardSearchIndexStoreError);
    EXPECT_THROW(opened.upsert(indexDocument(QStringLiteral("X"), QStringLiteral("x"))),
                 SQLiteClipboardSearchIndexStoreError);
}

TEST_F(RecoveryTest, OnlyTheNewestDamagedCopiesAreKept) {
    for (int day = 0; day < 4; ++day) {
        ASSERT_TRUE(writeFile(path, QByteArray(8192, static_cast<char>('0' + day))));
        now = searchTestEpoch.addDays(day);
        open();
        store.reset();
    }
    EXPECT_EQ(asideCopies(path),
              (QStringList{QStringLiteral("clipboard_search.sqlite.corrupt-20231116T221320Z"),
                           QStringLiteral("clipboard_search.sqlite.corrupt-20231117T221320Z")}));
    EXPECT_EQ(readFile(QFileInfo(path).absoluteDir().filePath(asideCopies(path).last())), QByteArray(8192, '3'));
}

TEST_F(RecoveryTest, ARebuildCutShortKeepsTheOldContentAndIsOwedOnTheNextOpen) {
    open().rebuild(manyDocuments(50, QStringLiteral("old")));
    int written = 0;
    EXPECT_THROW(store->rebuildFrom([&](const SQLiteClipboardSearchIndexStore::DocumentSink& write) {
        for (const auto& document : manyDocuments(50, QStringLiteral("new"))) {
            if (++written == 20) {
                throw std::runtime_error("history read failed");
            }
            write(document);
        }
    }),
                 std::runtime_error);
    store.reset();

    open();
    EXPECT_TRUE(store->owesRebuild());
    EXPECT_EQ(store->availability(), Availability::ready); // the old content is whole
    EXPECT_EQ(ids(find(QStringLiteral("old 7 h"))).front(), QStringLiteral("D7"));
    const auto source = [](const SQLiteClipboardSearchIndexStore::DocumentSink& write) {
        for (const auto& document : manyDocuments(50, QStringLiteral("new"))) {
            write(document);
        }
    };
    ASSERT_TRUE(store->rebuildFrom(source, SQLiteClipboardSearchIndexStore::RebuildCondition::whenOwed));
    EXPECT_FALSE(store->owesRebuild());
    EXPECT_EQ(ids(find(QStringLiteral("new 7 h"))).front(), QStringLiteral("D7"));
    bool called = false;
    EXPECT_FALSE(store->rebuildFrom([&](const SQLiteClipboardSearchIndexStore::DocumentSink&) { called = true; },
                                    SQLiteClipboardSearchIndexStore::RebuildCondition::whenOwed));
    // A first fill leaves an index with documents alone.
    EXPECT_FALSE(store->rebuildFrom([&](const SQLiteClipboardSearchIndexStore::DocumentSink&) { called = true; },
                                    SQLiteClipboardSearchIndexStore::RebuildCondition::whenEmpty));
    EXPECT_FALSE(called);
}

namespace {

// Serves documents; the first streamed read waits until the test lets it go on.
class GatedRepository final : public EmptyClipboardHistoryRepository {
public:
    std::vector<ClipboardSearchSourceDocument> documents;
    std::atomic<bool> reading = false;
    std::promise<void> release;

    QFuture<std::vector<ClipboardSearchSourceDocument>> getSearchSourceDocuments() override {
        return QtFuture::makeReadyFuture(documents);
    }
    void readSearchSourceDocuments(qsizetype batchSize, const SearchSourceBatchConsumer& consume) override {
        reading = true;
        release.get_future().wait_for(std::chrono::seconds(30));
        EmptyClipboardHistoryRepository::readSearchSourceDocuments(batchSize, consume);
    }
};

} // namespace

TEST_F(RecoveryTest, TheServiceAnswersUnavailableWhileItRebuildsADamagedIndex) {
    open().rebuild(manyDocuments(200));
    std::shared_ptr<SQLiteClipboardSearchIndexStore> shared(store.release());
    auto repository = std::make_shared<GatedRepository>();
    for (int i = 0; i < 1200; ++i) {
        ClipboardSearchSourceDocument document;
        document.id = QStringLiteral("H%1").arg(i);
        document.searchableText = QStringLiteral("history item %1").arg(i);
        document.preview = document.searchableText;
        document.createdAt = searchTestEpoch.addSecs(i);
        repository->documents.push_back(document);
    }
    ClipboardSearchService service(repository, shared, ClipboardSearchIndexConfiguration{}, nullptr, defaults, nullptr);
    std::vector<std::pair<qint64, qint64>> progress;
    std::mutex progressMutex;
    service.setRebuildProgressHandler([&](qint64 done, qint64 total) {
        std::lock_guard lock(progressMutex);
        progress.emplace_back(done, total);
    });
    service.recoverAutomatically();

    damageDocumentPages(path);
    commitElsewhere(path);
    EXPECT_THROW(service.search(QStringLiteral("entry"), 0, 10).result(), SQLiteClipboardSearchIndexStoreError);
    ASSERT_TRUE(processEventsUntil([&] { return repository->reading.load(); }, 10'000));
    // Held up in the history read: the service answers at once, as the Empty one does.
    EXPECT_THROW(service.search(QStringLiteral("history"), 0, 10).result(), ClipboardSearchServiceError);
    EXPECT_THROW(service.fetchRecent(0, 10).result(), ClipboardSearchServiceError);

    repository->release.set_value();
    ASSERT_TRUE(processEventsUntil([&] { return shared->availability() == Availability::ready; }, 20'000));
    const ClipboardSearchPage page = service.search(QStringLiteral("history item 1199"), 0, 10).result();
    ASSERT_FALSE(page.items.empty());
    EXPECT_EQ(page.items.front().id, QStringLiteral("H1199"));
    EXPECT_EQ(shared->stats().documentCount, 1200);
    std::lock_guard lock(progressMutex);
    EXPECT_EQ(progress, (std::vector<std::pair<qint64, qint64>>{{500, 1200}, {1000, 1200}, {1200, 1200}}));
}
