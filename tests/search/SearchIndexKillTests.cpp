// A process killed (SIGKILL) in the middle of a rebuild or of a layout conversion
// leaves a file that opens whole: the old content, searchable, with the rebuild owed.
// The child dies at a chosen statement, found by tracing every connection it opens.
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <string>

#include <QDir>
#include <QFile>

#include "search/SearchTestSupport.h"
#include "search/WrittenSearchIndexReference.h"
#include "support/TestChildProcess.h"
#include "support/TestSupport.h"

using namespace quellpad;
using namespace quellpad::test;
using Availability = SQLiteClipboardSearchIndexStore::Availability;

namespace {

std::vector<ClipboardSearchIndexDocument> documents(int count, const QString& word) {
    std::vector<ClipboardSearchIndexDocument> result;
    for (int i = 0; i < count; ++i) {
        result.push_back(indexDocument(QStringLiteral("D%1").arg(i),
                                       word + QStringLiteral(" %1 ").arg(i) + QString(200, QLatin1Char('a' + i % 26)), i));
    }
    return result;
}

// ---- the child -------------------------------------------------------------------

std::string killFragment;
int killOccurrence = 1;

int traceStatement(unsigned, void*, void* statement, void*) {
    const char* sql = sqlite3_sql(static_cast<sqlite3_stmt*>(statement));
    if (sql != nullptr && std::strstr(sql, killFragment.c_str()) != nullptr && --killOccurrence == 0) {
        std::raise(SIGKILL);
    }
    return 0;
}

int traceConnection(sqlite3* db, const char**, const sqlite3_api_routines*) {
    sqlite3_trace_v2(db, SQLITE_TRACE_STMT, &traceStatement, nullptr);
    return SQLITE_OK;
}

// Arguments: the index path, a piece of the statement to die at, which occurrence of
// it, and how many documents to rebuild with after opening (0: only open).
int openAndRebuildUntilKilled(const QStringList& arguments) {
    killFragment = arguments.value(1).toStdString();
    killOccurrence = arguments.value(2).toInt();
    sqlite3_auto_extension(reinterpret_cast<void (*)()>(&traceConnection));
    InMemoryDefaultsStore defaults;
    SQLiteClipboardSearchIndexStore store(arguments.value(0), defaults, {});
    if (const int count = arguments.value(3).toInt(); count > 0) {
        store.rebuild(documents(count, QStringLiteral("new")));
    }
    return 3; // the statement never ran
}

const ChildRegistration killedChild("search-index-killed-at", &openAndRebuildUntilKilled);

// ---- the tests -------------------------------------------------------------------

class KilledIndexTest : public ::testing::Test, protected SearchIndexFixture {
protected:
    void SetUp() override { ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath())); }

    void killChildAt(const char* fragment, int occurrence, int rebuildCount) {
        std::unique_ptr<QProcess> child =
            startChild(QStringLiteral("search-index-killed-at"),
                       {path, QString::fromUtf8(fragment), QString::number(occurrence), QString::number(rebuildCount)});
        ASSERT_TRUE(child);
        ASSERT_TRUE(diedOfSigkill(*child)) << "exit code " << child->exitCode();
    }

    // B-trees and the word index agree with the documents they index.
    void expectWholeFile() {
        EXPECT_EQ(scalar(path, "SELECT COUNT(*) FROM pragma_integrity_check WHERE integrity_check <> 'ok';"), 0);
        EXPECT_TRUE(execute(path, "INSERT INTO fts_terms (fts_terms) VALUES ('integrity-check');"));
    }

    std::vector<QString> find(const QString& text) {
        std::vector<QString> result;
        for (const auto& item : store->search(ClipboardSearchIndexQuery::fromText(text), {}, 10, 0).items) {
            result.push_back(item.id);
        }
        return result;
    }
};

TEST_F(KilledIndexTest, ARebuildKilledAtAnyStageLeavesTheOldContentAndIsOwed) {
    // Each stage of a rebuild, in order: clearing the tables, loading the rows, building
    // the postings, rebuilding the indexes the bulk load dropped (their statements also
    // run, as no-ops, when the store opens), stamping it done.
    const struct {
        const char* fragment;
        int occurrence;
    } stages[] = {
        {"VALUES ('delete-all')", 1},
        {"INSERT INTO documents", 150},
        {"INSERT INTO gram_postings (gram_postings) VALUES ('rebuild')", 1},
        {"CREATE INDEX IF NOT EXISTS idx_documents_compact_head_2", 2},
        {"ON CONFLICT(key) DO UPDATE", 1},
    };
    for (const auto& stage : stages) {
        SCOPED_TRACE(stage.fragment);
        open().rebuild(documents(50, QStringLiteral("old")));
        store.reset();
        killChildAt(stage.fragment, stage.occurrence, 300);

        expectWholeFile();
        open();
        EXPECT_TRUE(store->owesRebuild());
        EXPECT_EQ(store->availability(), Availability::ready);
        EXPECT_EQ(store->stats().documentCount, 50);
        EXPECT_EQ(find(QStringLiteral("old 7 h")), std::vector<QString>{QStringLiteral("D7")});
        EXPECT_TRUE(find(QStringLiteral("new")).empty());

        const auto source = [](const SQLiteClipboardSearchIndexStore::DocumentSink& write) {
            for (const auto& document : documents(300, QStringLiteral("new"))) {
                write(document);
            }
        };
        ASSERT_TRUE(store->rebuildFrom(source, SQLiteClipboardSearchIndexStore::RebuildCondition::whenOwed));
        EXPECT_FALSE(store->owesRebuild());
        EXPECT_EQ(store->stats().documentCount, 300);
        EXPECT_EQ(find(QStringLiteral("new 7 h")), std::vector<QString>{QStringLiteral("D7")});
        store.reset();
        expectWholeFile();
    }
}

TEST_F(KilledIndexTest, AConversionKilledMidwayConvertsAgainOnTheNextOpen) {
    const std::vector<ClipboardSearchIndexDocument> corpus = documents(200, QStringLiteral("kept"));
    const QString original = directory.filePath(QStringLiteral("written.sqlite"));
    {
        WrittenSearchIndexReference written(original, defaults, now);
        written.rebuild(corpus);
    }
    // Dropping the old gram table, building the new postings, and the VACUUM that
    // gives the space back after the converted layout has committed.
    for (const char* fragment : {"DROP TABLE IF EXISTS compact_grams", "INSERT INTO gram_postings (gram_postings) VALUES ('rebuild')",
                                 "VACUUM"}) {
        SCOPED_TRACE(fragment);
        for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")}) {
            QFile::remove(path + suffix);
        }
        ASSERT_TRUE(QFile::copy(original, path));
        killChildAt(fragment, 1, 0);

        expectWholeFile();
        LogCapture log;
        open();
        const bool committedBeforeTheKill = std::strcmp(fragment, "VACUUM") == 0;
        EXPECT_EQ(log.contains(LogLevel::info, QStringLiteral("SQLiteSearch"),
                               QStringLiteral("Converting clipboard search index from layout 0")),
                  !committedBeforeTheKill);
        EXPECT_EQ(scalar(path, "PRAGMA user_version;"), 3);
        EXPECT_FALSE(store->owesRebuild());
        EXPECT_EQ(store->stats().documentCount, 200);
        EXPECT_EQ(find(QStringLiteral("kept 7 h")), std::vector<QString>{QStringLiteral("D7")});
        EXPECT_EQ(find(QStringLiteral("aaaa")).size(), 8u);
        store.reset();
        expectWholeFile();
    }
}

} // namespace
