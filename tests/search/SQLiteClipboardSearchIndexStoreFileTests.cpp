// The index file itself: migration of older files, damaged and foreign files, a full disk.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "search/SearchTestSupport.h"
#include "support/TestSupport.h"

using namespace quellpad;
using namespace quellpad::test;

namespace {

class StoreFileTest : public ::testing::Test, protected SearchIndexFixture {
protected:
    void SetUp() override { ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath())); }
};

} // namespace

TEST_F(StoreFileTest, CreatesTheParentDirectoryAndTheSchema) {
    open();
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_EQ(scalar(path, "SELECT COUNT(*) FROM sqlite_master WHERE type = 'index' AND name LIKE 'idx_%';"), 14);
    EXPECT_EQ(scalar(path, "PRAGMA user_version;"), 3);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
    sqlite3_stmt* statement = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "PRAGMA journal_mode;", -1, &statement, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(statement), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)), "wal");
    sqlite3_finalize(statement);
    sqlite3_close_v2(db);
}

TEST_F(StoreFileTest, MigratesADocumentsTableFromBeforeTheUsageColumns) {
    ASSERT_TRUE(execute(path, "CREATE TABLE documents (\n"
                              "    doc_id INTEGER PRIMARY KEY AUTOINCREMENT,\n"
                              "    item_id TEXT NOT NULL UNIQUE,\n"
                              "    preview TEXT NOT NULL,\n"
                              "    created_at REAL NOT NULL,\n"
                              "    content_type TEXT NOT NULL,\n"
                              "    bundle_identifier TEXT,\n"
                              "    normalized_text TEXT NOT NULL,\n"
                              "    compact_text TEXT NOT NULL,\n"
                              "    pinyin_spaced TEXT NOT NULL,\n"
                              "    pinyin_compact TEXT NOT NULL,\n"
                              "    is_truncated INTEGER NOT NULL DEFAULT 0\n"
                              ");"
                              "INSERT INTO documents (item_id, preview, created_at, content_type, normalized_text, "
                              "compact_text, pinyin_spaced, pinyin_compact) VALUES "
                              "('OLD-1', 'old', 1000.5, 'text', 'old', 'old', '', ''),"
                              "('OLD-2', 'older', 900, 'image', 'older', 'older', '', '');"));
    SQLiteClipboardSearchIndexStore& store = open();
    const ClipboardSearchPage page = store.fetchRecent(10, 0);
    ASSERT_EQ(page.items.size(), 2u);
    EXPECT_EQ(page.items[0].id, QStringLiteral("OLD-1"));
    EXPECT_EQ(page.items[0].createdAt, QDateTime::fromMSecsSinceEpoch(1'000'500));
    EXPECT_EQ(page.items[0].accessCount, 0);
    EXPECT_EQ(page.items[0].classification, std::nullopt);
    EXPECT_EQ(scalar(path, "SELECT COUNT(*) FROM documents WHERE sort_at = created_at AND access_count = 0;"), 2);

    // The migrated file takes new documents like a fresh one.
    store.upsert(indexDocument(QStringLiteral("NEW"), QStringLiteral("new text"), 0));
    EXPECT_EQ(store.stats().documentCount, 3);
    store.touch(QStringLiteral("OLD-2"), searchTestEpoch.addDays(1), searchTestEpoch.addDays(1), 1);
    EXPECT_EQ(store.fetchRecent(1, 0).items[0].id, QStringLiteral("OLD-2"));

    // Opening again finds nothing left to migrate.
    this->store.reset();
    EXPECT_EQ(open().stats().documentCount, 3);
}

TEST_F(StoreFileTest, AFileThatIsADirectoryFailsToOpen) {
    ASSERT_TRUE(QDir().mkpath(path));
    EXPECT_THROW(open(), SQLiteClipboardSearchIndexStoreError);
}

TEST_F(StoreFileTest, AParentThatIsAFileIsADirectoryError) {
    const QString blocked = directory.filePath(QStringLiteral("blocker"));
    ASSERT_TRUE(writeFile(blocked, "x"));
    path = blocked + QStringLiteral("/clipboard_search.sqlite");
    EXPECT_THROW(open(), ClipboardSearchIndexDirectoryError);
}

TEST_F(StoreFileTest, ANewerSchemaThatRejectsWritesKeepsWhatItHas) {
    SQLiteClipboardSearchIndexStore& store = open();
    store.upsert(indexDocument(QStringLiteral("KEEP"), QStringLiteral("kept text"), 0));
    this->store.reset();
    // A later version added a required column this one does not fill.
    ASSERT_TRUE(execute(path, "ALTER TABLE documents ADD COLUMN future_field TEXT NOT NULL DEFAULT 'x';"
                              "CREATE TRIGGER future_guard BEFORE INSERT ON documents "
                              "BEGIN SELECT RAISE(ABORT, 'written by a newer version'); END;"));
    SQLiteClipboardSearchIndexStore& reopened = open();
    try {
        reopened.upsert(indexDocument(QStringLiteral("NEW"), QStringLiteral("new text"), 1));
        FAIL() << "the guarded insert succeeded";
    } catch (const SQLiteClipboardSearchIndexStoreError& error) {
        EXPECT_EQ(error.kind(), SQLiteClipboardSearchIndexStoreError::Kind::step);
        EXPECT_EQ(error.description(),
                  QStringLiteral("Failed to step clipboard search SQL: written by a newer version"));
    }
    // Replacing KEEP fails after its old rows were deleted; the rollback restores them.
    EXPECT_THROW(reopened.upsert(indexDocument(QStringLiteral("KEEP"), QStringLiteral("changed"), 2)),
                 SQLiteClipboardSearchIndexStoreError);
    EXPECT_THROW(reopened.rebuild({indexDocument(QStringLiteral("R"), QStringLiteral("r"), 3)}),
                 SQLiteClipboardSearchIndexStoreError);
    ClipboardSearchIndexQuery query = ClipboardSearchIndexQuery::fromText(QStringLiteral("kept"));
    const ClipboardSearchPage page = reopened.search(query, {}, 10, 0);
    ASSERT_EQ(page.items.size(), 1u);
    EXPECT_EQ(page.items[0].id, QStringLiteral("KEEP"));
    EXPECT_EQ(scalar(path, "SELECT COUNT(*) FROM fts_terms WHERE fts_terms MATCH 'kept';"), 1);
    EXPECT_GT(reopened.stats().gramCount, 0);
    EXPECT_EQ(reopened.search(ClipboardSearchIndexQuery::fromText(QStringLiteral("ept")), {}, 10, 0).items.size(), 1u);
}

TEST_F(StoreFileTest, AFullDiskDuringRebuildLeavesTheOldIndexUsable) {
    {
        SQLiteClipboardSearchIndexStore& store = open();
        std::vector<ClipboardSearchIndexDocument> documents;
        for (int i = 0; i < 20; ++i) {
            documents.push_back(indexDocument(QStringLiteral("OLD-%1").arg(i), QStringLiteral("old entry %1").arg(i), i));
        }
        store.rebuild(documents);
        this->store.reset();
    }
    const qint64 pages = scalar(path, "PRAGMA page_count;");
    SQLiteClipboardSearchIndexStore::Environment environment;
    // Room for a few more pages only: the new content cannot fit.
    environment.didOpen = [pages](sqlite3* db) {
        const QByteArray pragma = "PRAGMA max_page_count = " + QByteArray::number(pages + 8) + ";";
        sqlite3_exec(db, pragma.constData(), nullptr, nullptr, nullptr);
    };
    SQLiteClipboardSearchIndexStore& store = open(environment);
    const ClipboardSearchIndexStats before = store.stats();
    std::vector<ClipboardSearchIndexDocument> large;
    for (int i = 0; i < 200; ++i) {
        QString text;
        for (int word = 0; word < 400; ++word) {
            text += QStringLiteral("w%1x%2 ").arg(i).arg(word);
        }
        large.push_back(indexDocument(QStringLiteral("NEW-%1").arg(i), text, i));
    }
    try {
        store.rebuild(large);
        FAIL() << "the rebuild fit on a full disk";
    } catch (const SQLiteClipboardSearchIndexStoreError& error) {
        EXPECT_TRUE(error.message().contains(QStringLiteral("full"), Qt::CaseInsensitive)) << error.what();
    }
    EXPECT_EQ(store.stats(), before);
    // The indexes dropped for the bulk load are back.
    EXPECT_EQ(scalar(path, "SELECT COUNT(*) FROM sqlite_master WHERE type = 'index' AND name LIKE 'idx_%';"), 14);
    const ClipboardSearchPage page = store.search(ClipboardSearchIndexQuery::fromText(QStringLiteral("entry 7")), {}, 5, 0);
    ASSERT_FALSE(page.items.empty());
    EXPECT_EQ(page.items[0].id, QStringLiteral("OLD-7"));
    // Small writes still go through.
    store.upsert(indexDocument(QStringLiteral("SMALL"), QStringLiteral("tiny"), 99));
    EXPECT_EQ(store.stats().documentCount, before.documentCount + 1);
}

TEST_F(StoreFileTest, ARebuildLeavesNoSecondCopyInTheLog) {
    SQLiteClipboardSearchIndexStore& store = open();
    std::vector<ClipboardSearchIndexDocument> documents;
    for (int i = 0; i < 300; ++i) {
        documents.push_back(indexDocument(QStringLiteral("D%1").arg(i), QString(400, QLatin1Char('a' + i % 26)) + QString::number(i), i));
    }
    store.rebuild(documents);
    EXPECT_GT(QFileInfo(path).size(), 100 * 1024);
    EXPECT_EQ(QFileInfo(path + QStringLiteral("-wal")).size(), 0);
    EXPECT_EQ(store.stats().documentCount, 300);
    EXPECT_EQ(scalar(path, "SELECT COUNT(*) FROM sqlite_master WHERE type = 'index' AND name LIKE 'idx_%';"), 14);
}

TEST(SQLiteClipboardSearchIndexStoreError, Descriptions) {
    using E = SQLiteClipboardSearchIndexStoreError;
    EXPECT_EQ(E(E::Kind::openDatabase, QStringLiteral("m")).description(),
              QStringLiteral("Failed to open clipboard search database: m"));
    EXPECT_EQ(E(E::Kind::execute, QStringLiteral("m")).description(),
              QStringLiteral("Failed to execute clipboard search SQL: m"));
    EXPECT_EQ(E(E::Kind::prepare, QStringLiteral("m")).description(),
              QStringLiteral("Failed to prepare clipboard search SQL: m"));
    EXPECT_EQ(E(E::Kind::step, QString()).description(),
              QStringLiteral("Failed to step clipboard search SQL: Unknown SQLite error"));
    EXPECT_STREQ(E(E::Kind::step, QStringLiteral("x")).what(), "Failed to step clipboard search SQL: x");
}

// Upserts leave checkpoints to the store's second connection (the write connection's
// automatic checkpoint is replaced): the log must still reach the file while the
// store is open, without a rebuild or a close.
TEST_F(StoreFileTest, UpsertsAreCheckpointedInTheBackground) {
    SQLiteClipboardSearchIndexStore& store = open();
    const qint64 before = QFileInfo(path).size();
    for (int i = 0; i < 400; ++i) {
        store.upsert(indexDocument(QStringLiteral("U%1").arg(i), QString(3000, QLatin1Char('a' + i % 26)) + QString::number(i), i));
    }
    EXPECT_TRUE(processEventsUntil([&] { return QFileInfo(path).size() > before + 400 * 1024; }, 10'000))
        << "file " << QFileInfo(path).size() << " bytes, log " << QFileInfo(path + QStringLiteral("-wal")).size();
    EXPECT_EQ(store.stats().documentCount, 400);
    // A burst leaves no long log behind, even when no write follows it and searches
    // keep reading (a reader holds the cut off while it reads).
    EXPECT_TRUE(processEventsUntil(
        [&] {
            store.search(ClipboardSearchIndexQuery::fromText(QStringLiteral("aaa")), {}, 20, 0);
            return QFileInfo(path + QStringLiteral("-wal")).size() <= 4 * 1024 * 1024 + 64 * 1024;
        },
        10'000))
        << "log " << QFileInfo(path + QStringLiteral("-wal")).size();
    // Once the log is folded in, the next write restarts it and cuts it back.
    EXPECT_TRUE(processEventsUntil(
        [&] {
            store.touch(QStringLiteral("U0"), searchTestEpoch, std::nullopt, 1);
            return QFileInfo(path + QStringLiteral("-wal")).size() <= 4 * 1024 * 1024 + 64 * 1024;
        },
        10'000))
        << "log " << QFileInfo(path + QStringLiteral("-wal")).size();
}
