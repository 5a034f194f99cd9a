// The store against the written statements, over randomised corpora and queries.
#include <functional>
#include <initializer_list>

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include "search/SearchDifferentialHarness.h"
#include "search/SearchTestSupport.h"
#include "search/WrittenSearchIndexReference.h"
#include "support/TestSupport.h"

using namespace quellpad;
using namespace quellpad::test;

namespace {

// Now falls inside the corpus's time span, so that date filters cut it.
const QDateTime differentialNow = searchTestEpoch.addSecs(60 * 120);

SearchSide sideOf(SQLiteClipboardSearchIndexStore& store) {
    return {[&store](const ClipboardSearchIndexQuery& query, const std::vector<ClipboardSearchFilter>& filters, int limit,
                     int offset) { return store.search(query, filters, limit, offset); },
            [&store](int limit, int offset) { return store.fetchRecent(limit, offset); }};
}

SearchSide sideOf(WrittenSearchIndexReference& reference) {
    return {[&reference](const ClipboardSearchIndexQuery& query, const std::vector<ClipboardSearchFilter>& filters,
                         int limit, int offset) { return reference.search(query, filters, limit, offset); },
            [&reference](int limit, int offset) { return reference.fetchRecent(limit, offset); }};
}

// The same writes, in the same order, on every index given: a rebuild, then
// upserts of new and of existing items, touches and deletes.
template <typename... Index>
void writeHistory(std::mt19937& random, const std::vector<ClipboardSearchIndexDocument>& corpus, Index&... indexes) {
    const size_t initial = corpus.size() * 3 / 4;
    const std::vector<ClipboardSearchIndexDocument> first(corpus.begin(), corpus.begin() + static_cast<long>(initial));
    (indexes.rebuild(first), ...);
    for (size_t i = initial; i < corpus.size(); ++i) {
        ClipboardSearchIndexDocument document = corpus[i];
        if (std::bernoulli_distribution(0.3)(random)) {
            document.id = corpus[std::uniform_int_distribution<size_t>(0, initial - 1)(random)].id; // a re-write
        }
        (indexes.upsert(document), ...);
    }
    for (int i = 0; i < static_cast<int>(corpus.size()) / 10; ++i) {
        const ClipboardSearchIndexDocument& document =
            corpus[std::uniform_int_distribution<size_t>(0, corpus.size() - 1)(random)];
        const QDateTime when = document.createdAt.addSecs(60 * std::uniform_int_distribution<int>(0, 40)(random));
        (indexes.touch(document.id, when, when, 3), ...);
    }
    QStringList gone;
    for (int i = 0; i < static_cast<int>(corpus.size()) / 20; ++i) {
        gone.push_back(corpus[std::uniform_int_distribution<size_t>(0, corpus.size() - 1)(random)].id);
    }
    gone.push_back(QStringLiteral("NOT-AN-ITEM"));
    (indexes.deleteDocuments(gone), ...);
}

// Both sides over one corpus, once per threshold between ranking a candidate set whole
// and walking it tier by tier, so that every path answers; alsoCheck looks at the store.
void expectAgreementAtThresholds(const std::vector<ClipboardSearchIndexDocument>& corpus,
                                 const std::vector<DifferentialCase>& cases,
                                 std::initializer_list<qint64> thresholds = {0, 5, 2000},
                                 const std::function<void(SQLiteClipboardSearchIndexStore&)>& alsoCheck = {}) {
    for (const qint64 denseRows : thresholds) {
        SCOPED_TRACE(denseRows);
        SearchIndexFixture fixture;
        fixture.now = differentialNow;
        SQLiteClipboardSearchIndexStore::Environment environment;
        environment.denseCandidateRows = denseRows;
        SQLiteClipboardSearchIndexStore& store = fixture.open(environment);
        WrittenSearchIndexReference written(fixture.directory.filePath(QStringLiteral("written.sqlite")),
                                            fixture.defaults, fixture.now);
        store.rebuild(corpus);
        written.rebuild(corpus);
        const std::optional<QString> difference =
            firstDifference(sideOf(store), sideOf(written), cases, fixture.defaults);
        EXPECT_FALSE(difference.has_value()) << difference.value_or(QString()).toStdString();
        if (alsoCheck) {
            alsoCheck(store);
        }
    }
}

class DifferentialTest : public ::testing::Test, protected SearchIndexFixture {
protected:
    void SetUp() override {
        now = differentialNow;
        installUserLabels(defaults);
    }

    std::unique_ptr<WrittenSearchIndexReference> reference(const QString& name,
                                                           WrittenSearchIndexReference::Flaw flaw = {}) {
        return std::make_unique<WrittenSearchIndexReference>(directory.filePath(name), defaults, now, flaw);
    }
};

} // namespace

TEST_F(DifferentialTest, StorePagesEqualTheWrittenStatementsOverRandomCorpora) {
    struct Run {
        unsigned seed;
        int items;
        int cases;
        qint64 denseRows; // low values send small corpora down the tiered walk
        int spreadDays = 0;
    };
    int total = 0;
    for (const Run& run : {Run{1, 60, 700, 0}, Run{2, 300, 1200, 6}, Run{3, 900, 1000, 2000}, Run{4, 200, 900, 40},
                           Run{5, 500, 900, 0}, Run{6, 600, 900, 2000, 40}}) {
        SCOPED_TRACE(run.seed);
        SearchIndexFixture fixture;
        fixture.now = differentialNow;
        installUserLabels(fixture.defaults);
        SQLiteClipboardSearchIndexStore::Environment environment;
        environment.denseCandidateRows = run.denseRows;
        SQLiteClipboardSearchIndexStore& store = fixture.open(environment);
        auto written = std::make_unique<WrittenSearchIndexReference>(
            fixture.directory.filePath(QStringLiteral("written.sqlite")), fixture.defaults, fixture.now);
        std::mt19937 random(run.seed);
        const std::vector<ClipboardSearchIndexDocument> corpus = randomCorpus(random, run.items, run.spreadDays);
        writeHistory(random, corpus, store, *written);
        int compared = 0;
        const std::optional<QString> difference = firstDifference(
            sideOf(store), sideOf(*written), randomCases(random, corpus, run.cases), fixture.defaults, &compared);
        EXPECT_FALSE(difference.has_value()) << difference.value_or(QString()).toStdString();
        total += compared;
    }
    EXPECT_GE(total, 4000);
}

// The harness itself: a deliberately wrong ranking or paging must not pass.
TEST_F(DifferentialTest, HarnessReportsAWrongTieOrderAndAWrongHasMore) {
    std::mt19937 random(11);
    const std::vector<ClipboardSearchIndexDocument> corpus = randomCorpus(random, 300);
    auto written = reference(QStringLiteral("written.sqlite"));
    auto ties = reference(QStringLiteral("ties.sqlite"), WrittenSearchIndexReference::Flaw::tiesOldestFirst);
    auto paging = reference(QStringLiteral("paging.sqlite"), WrittenSearchIndexReference::Flaw::hasMoreOffByOne);
    std::mt19937 writes(12);
    writeHistory(writes, corpus, *written, *ties, *paging);
    const std::vector<DifferentialCase> cases = randomCases(random, corpus, 600);

    const std::optional<QString> tieDifference = firstDifference(sideOf(*ties), sideOf(*written), cases, defaults);
    ASSERT_TRUE(tieDifference.has_value());
    EXPECT_TRUE(tieDifference->startsWith(QStringLiteral("search '"))) << tieDifference->toStdString();

    const std::optional<QString> pagingDifference = firstDifference(sideOf(*paging), sideOf(*written), cases, defaults);
    ASSERT_TRUE(pagingDifference.has_value());
    EXPECT_TRUE(pagingDifference->contains(QStringLiteral("hasMore=true, expected"))) << pagingDifference->toStdString();

    std::mt19937 again(12);
    auto twin = reference(QStringLiteral("twin.sqlite"));
    writeHistory(again, corpus, *twin);
    EXPECT_EQ(firstDifference(sideOf(*twin), sideOf(*written), cases, defaults), std::nullopt);
}

// Queries that start or end inside a multi-code-point character (Thai vowel marks,
// skin-tone modifiers, flags, joiners): code-point comparisons find them, grapheme
// grams do not, and every shortcut of the store must still answer as the written
// statements do, whether the candidate sets count as dense or not.
TEST_F(DifferentialTest, QueriesThatCutThroughCharactersAgreeOnEveryPath) {
    const char16_t* const texts[] = {u"สวัสดีครับ", u"ครับสวัสดี", u"👍🏽ok", u"ok👍🏽", u"🇩🇪🇫🇷flags",
                                     u"a👨‍👩‍👧b", u"สวัสดี config", u"config สวัสดี", u"x\u200Dy", u"ab\uFE0Fc"};
    std::vector<ClipboardSearchIndexDocument> corpus;
    for (int copy = 0; copy < 12; ++copy) {
        for (const char16_t* text : texts) {
            corpus.push_back(indexDocument(QStringLiteral("T%1-%2").arg(copy).arg(corpus.size()),
                                           QString::fromUtf16(text), copy % 5, copy % 2 == 0));
        }
    }
    std::vector<DifferentialCase> cases;
    for (const char16_t* query : {u"สว", u"วัส", u"ัส", u"สวั", u"ดีค", u"🏽o", u"👍", u"🏽", u"🇪🇫", u"🇩🇪",
                                  u"a👨", u"‍👩", u"xy", u"x", u"abc", u"b\uFE0F", u"สวัสดี", u"ok", u"co"}) {
        for (int offset : {0, 3, 40}) {
            cases.push_back({QString::fromUtf16(query), 10, offset});
            cases.push_back({QString::fromUtf16(query) + QStringLiteral(" type:text"), 10, offset});
        }
    }
    expectAgreementAtThresholds(corpus, cases, {0, 5, 30, 2000});
}

// A file of the written layout (fts_terms with its own copy of the texts, one
// compact_grams row per gram) converts on open, once, logging it, and then answers
// exactly as the written statements over the same history do.
TEST_F(DifferentialTest, AnIndexOfTheWrittenLayoutConvertsOnOpenAndAnswersTheSame) {
    std::mt19937 random(21);
    const std::vector<ClipboardSearchIndexDocument> corpus = randomCorpus(random, 400);
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
    {
        WrittenSearchIndexReference old(path, defaults, now);
        std::mt19937 writes(22);
        writeHistory(writes, corpus, old);
    }
    auto written = reference(QStringLiteral("written.sqlite"));
    std::mt19937 writes(22);
    writeHistory(writes, corpus, *written);
    ASSERT_EQ(scalar(path, "SELECT COUNT(*) FROM sqlite_master WHERE name = 'compact_grams';"), 1);
    const qint64 writtenBytes = QFileInfo(path).size();

    {
        LogCapture capture;
        SQLiteClipboardSearchIndexStore::Environment environment;
        environment.denseCandidateRows = 10;
        open(environment);
        EXPECT_TRUE(capture.contains(LogLevel::info, QStringLiteral("SQLiteSearch"),
                                     QStringLiteral("Converting clipboard search index from layout 0 to 3")));
        EXPECT_EQ(scalar(path, "PRAGMA user_version;"), 3);
        EXPECT_EQ(scalar(path, "SELECT COUNT(*) FROM sqlite_master WHERE name = 'compact_grams';"), 0);
        EXPECT_LT(QFileInfo(path).size(), writtenBytes);
        const std::optional<QString> difference =
            firstDifference(sideOf(*store), sideOf(*written), randomCases(random, corpus, 800), defaults);
        EXPECT_FALSE(difference.has_value()) << difference.value_or(QString()).toStdString();
        store.reset();
    }
    LogCapture again;
    open();
    EXPECT_FALSE(again.contains(LogLevel::info, QStringLiteral("SQLiteSearch"), QStringLiteral("Converting")));
    EXPECT_EQ(store->stats().documentCount,
              scalar(directory.filePath(QStringLiteral("written.sqlite")), "SELECT COUNT(*) FROM documents;"));
}

// Many recent rows hold every gram of a punctuation query without holding the query
// itself, and only old rows match: the walk down the recency order gives up, and the
// page must still be the written one (at each density setting).
TEST_F(DifferentialTest, SparseMatchesBehindManyGramLookAlikesAgree) {
    std::vector<ClipboardSearchIndexDocument> corpus;
    for (int i = 0; i < 4; ++i) {
        corpus.push_back(indexDocument(QStringLiteral("MATCH-%1").arg(i), QStringLiteral("old x-y-z entry %1").arg(i), i));
    }
    for (int i = 0; i < 240; ++i) {
        corpus.push_back(indexDocument(QStringLiteral("LOOK-%1").arg(i), QStringLiteral("x-y1 -y-2 y-z3 and more %1").arg(i),
                                       10 + i));
    }
    std::vector<DifferentialCase> cases;
    for (const char* query : {"x-y-z", "x-y-z type:text", "y-z e", "-y-z"}) {
        for (int limit : {1, 2, 10, 50}) {
            for (int offset : {0, 1, 3}) {
                cases.push_back({QString::fromLatin1(query), limit, offset});
            }
        }
    }
    expectAgreementAtThresholds(corpus, cases, {0, 5, 2000}, [](SQLiteClipboardSearchIndexStore& store) {
        EXPECT_EQ(store.search(ClipboardSearchIndexQuery::fromText(QStringLiteral("x-y-z")), {}, 10, 0).items.size(), 4u);
    });
}

// A two-letter query is looked up by its own letters in rows whose characters are one
// code point each, and by its gram in rows with joined characters: "कख" lies inside
// "गकखा" letter by letter, but its characters there are "क" and "खा", so that row
// holds no such gram and is no match, while "गकखग" is one.
TEST_F(DifferentialTest, TwoLetterQueriesThroughJoinedCharactersAgree) {
    std::vector<ClipboardSearchIndexDocument> corpus;
    for (int i = 0; i < 60; ++i) {
        const char16_t* texts[] = {u"गकखा note", u"गकखग note", u"xaby note", u"xab\u0301y note", u"कखग start"};
        corpus.push_back(indexDocument(QStringLiteral("J-%1").arg(i), QString::fromUtf16(texts[i % 5]) +
                                                                          QStringLiteral(" %1").arg(i), i));
    }
    std::vector<DifferentialCase> cases;
    for (const char16_t* query : {u"कख", u"खा", u"ab", u"by", u"कखग"}) {
        for (int offset : {0, 4, 30}) {
            cases.push_back({QString::fromUtf16(query), 10, offset});
        }
    }
    expectAgreementAtThresholds(corpus, cases);
}

// A file of layout 2 (no 16-character head indexes) keeps its tables and only gains
// the indexes on open; the next open finds nothing to convert.
TEST_F(DifferentialTest, AnIndexOfLayoutTwoGainsTheLongHeadIndexesOnOpen) {
    std::mt19937 random(31);
    const std::vector<ClipboardSearchIndexDocument> corpus = randomCorpus(random, 300);
    {
        SQLiteClipboardSearchIndexStore::Environment environment;
        environment.denseCandidateRows = 10;
        open(environment).rebuild(corpus);
        store.reset();
    }
    ASSERT_TRUE(execute(path, "DROP INDEX idx_documents_compact_head_16; DROP INDEX idx_documents_pinyin_head_16; "
                              "PRAGMA user_version = 2;"));
    auto written = reference(QStringLiteral("written.sqlite"));
    written->rebuild(corpus);
    {
        LogCapture capture;
        SQLiteClipboardSearchIndexStore::Environment environment;
        environment.denseCandidateRows = 10;
        open(environment);
        EXPECT_TRUE(capture.contains(LogLevel::info, QStringLiteral("SQLiteSearch"),
                                     QStringLiteral("Converting clipboard search index from layout 2 to 3")));
        EXPECT_EQ(scalar(path, "PRAGMA user_version;"), 3);
        EXPECT_EQ(scalar(path, "SELECT COUNT(*) FROM sqlite_master WHERE name LIKE 'idx_documents_%_head_16';"), 2);
        EXPECT_EQ(store->stats().documentCount,
                  scalar(directory.filePath(QStringLiteral("written.sqlite")), "SELECT COUNT(*) FROM documents;"));
        const std::optional<QString> difference =
            firstDifference(sideOf(*store), sideOf(*written), randomCases(random, corpus, 400), defaults);
        EXPECT_FALSE(difference.has_value()) << difference.value_or(QString()).toStdString();
        store.reset();
    }
    LogCapture again;
    open();
    EXPECT_FALSE(again.contains(LogLevel::info, QStringLiteral("SQLiteSearch"), QStringLiteral("Converting")));
}

// Rows holding some of a longer query's grams are no members; rows holding all of
// them are, inside the text or across words, with and without filters.
TEST_F(DifferentialTest, LongerQueriesNeedEveryGramOfTheirOwnText) {
    std::vector<ClipboardSearchIndexDocument> corpus;
    for (int i = 0; i < 90; ++i) {
        const char* texts[] = {"awxyzb inside", "wxy xyz apart", "wxya only the first", "xyzq only the last",
                               "wxyz at the start", "plain words here"};
        corpus.push_back(indexDocument(QStringLiteral("G-%1").arg(i),
                                       QString::fromLatin1(texts[i % 6]) + QStringLiteral(" %1").arg(i), i));
    }
    std::vector<DifferentialCase> cases;
    for (const char* query : {"wxyz", "wxyz type:text", "xyzb", "xyzb type:text", "wxyxyz"}) {
        for (int offset : {0, 5, 30}) {
            cases.push_back({QString::fromLatin1(query), 10, offset});
        }
    }
    expectAgreementAtThresholds(corpus, cases);
}
