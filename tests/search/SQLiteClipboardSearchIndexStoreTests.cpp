#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "settings/PreferenceKeys.h"
#include "search/ClipboardSearchQueryParser.h"
#include "Core/Utilities/ClipboardSearchText.h"
#include "search/SearchTestSupport.h"

using namespace quellpad;
using namespace quellpad::test;

namespace {

QStringList ids(const ClipboardSearchPage& page) {
    QStringList result;
    for (const ClipboardHistoryIndexSnapshot& item : page.items) {
        result.push_back(item.id);
    }
    return result;
}

class StoreTest : public ::testing::Test, protected SearchIndexFixture {
protected:
    void SetUp() override { open(); }

    void add(const QString& id, const QString& text, int minute, std::optional<QString> classification = {},
             ClipboardContentType type = ClipboardContentType::text, std::optional<QString> bundle = {}) {
        ClipboardSearchIndexDocument document = indexDocument(id, text, minute);
        document.classification = std::move(classification);
        document.contentType = type;
        document.bundleIdentifier = std::move(bundle);
        store->upsert(document);
    }

    // Parses like the search service does: text tokens plus filters.
    ClipboardSearchPage find(const QString& text, int limit = 50, int offset = 0) {
        const ClipboardParsedSearchQuery parsed = ClipboardSearchQueryParser(defaults).parse(text);
        std::vector<ClipboardSearchFilter> filters = parsed.explicitFilters;
        return store->search(ClipboardSearchIndexQuery::fromText(parsed.textTokens.join(QLatin1Char(' '))), filters,
                             limit, offset);
    }
};

} // namespace

TEST_F(StoreTest, RecentPagesAreNewestFirstWithOneRowLookahead) {
    for (int i = 0; i < 51; ++i) {
        add(QStringLiteral("ID-%1").arg(i, 2, 10, QLatin1Char('0')), QStringLiteral("item %1").arg(i), i);
    }
    const ClipboardSearchPage first = store->fetchRecent(50, 0);
    ASSERT_EQ(first.items.size(), 50u);
    EXPECT_EQ(first.items.front().id, QStringLiteral("ID-50"));
    EXPECT_EQ(first.items.back().id, QStringLiteral("ID-01"));
    EXPECT_TRUE(first.hasMore);
    EXPECT_EQ(ids(store->fetchRecent(50, 50)), QStringList{QStringLiteral("ID-00")});
    EXPECT_FALSE(store->fetchRecent(50, 50).hasMore);
    EXPECT_EQ(store->fetchRecent(0, 0), ClipboardSearchPage{});
    EXPECT_EQ(store->fetchRecent(-3, 0), ClipboardSearchPage{});
    EXPECT_EQ(store->fetchRecent(2, -10).items.front().id, QStringLiteral("ID-50"));
    EXPECT_EQ(store->fetchRecent(10, 1000), ClipboardSearchPage{});

    store->deleteDocuments({QStringLiteral("ID-00")});
    EXPECT_FALSE(store->fetchRecent(50, 0).hasMore);
    EXPECT_EQ(store->fetchRecent(50, 0).items.size(), 50u);
}

TEST_F(StoreTest, SnapshotsCarryEveryColumn) {
    ClipboardSearchIndexDocument document = indexDocument(QStringLiteral("A"), QStringLiteral("Hello There"), 5);
    document.lastAccessedAt = searchTestEpoch.addSecs(3600);
    document.sortAt = *document.lastAccessedAt;
    document.accessCount = 7;
    document.contentType = ClipboardContentType::image;
    document.bundleIdentifier = QStringLiteral("org.example.Viewer");
    document.classification = QStringLiteral("URL");
    store->upsert(document);
    const ClipboardHistoryIndexSnapshot snapshot = store->fetchRecent(1, 0).items.at(0);
    EXPECT_EQ(snapshot.id, QStringLiteral("A"));
    EXPECT_EQ(snapshot.preview, QStringLiteral("Hello There"));
    EXPECT_EQ(snapshot.searchText, QStringLiteral("hello there"));
    EXPECT_EQ(snapshot.createdAt, searchTestEpoch.addSecs(300));
    EXPECT_EQ(snapshot.lastAccessedAt, document.lastAccessedAt);
    EXPECT_EQ(snapshot.accessCount, 7);
    EXPECT_EQ(snapshot.contentType, ClipboardContentType::image);
    EXPECT_EQ(snapshot.bundleIdentifier, QStringLiteral("org.example.Viewer"));
    EXPECT_EQ(snapshot.classification, QStringLiteral("URL"));

    store->upsert(indexDocument(QStringLiteral("B"), QStringLiteral("plain"), 1));
    const ClipboardHistoryIndexSnapshot plain = store->fetchRecent(1, 1).items.at(0);
    EXPECT_EQ(plain.lastAccessedAt, std::nullopt);
    EXPECT_EQ(plain.bundleIdentifier, std::nullopt);
    EXPECT_EQ(plain.classification, std::nullopt);
}

TEST_F(StoreTest, UpsertKeepsOneDocumentWithTheLatestTextOnly) {
    add(QStringLiteral("A"), QStringLiteral("alpha beta"), 0);
    add(QStringLiteral("A"), QStringLiteral("gamma"), 1);
    EXPECT_EQ(scalar(path, "SELECT COUNT(*) FROM documents;"), 1);
    EXPECT_EQ(scalar(path, "SELECT COUNT(*) FROM fts_terms WHERE fts_terms MATCH 'alpha OR beta';"), 0);
    EXPECT_EQ(scalar(path, "SELECT COUNT(*) FROM fts_terms WHERE fts_terms MATCH 'gamma';"), 1);
    EXPECT_EQ(store->stats().gramCount, static_cast<qint64>(ClipboardSearchText::documentGrams(u"gamma", u"").size()));
    EXPECT_TRUE(find(QStringLiteral("alpha")).items.empty());
    EXPECT_TRUE(find(QStringLiteral("pha")).items.empty());
    EXPECT_EQ(ids(find(QStringLiteral("gamma"))), QStringList{QStringLiteral("A")});
}

TEST_F(StoreTest, DeleteAndTouch) {
    add(QStringLiteral("A"), QStringLiteral("first"), 0);
    add(QStringLiteral("B"), QStringLiteral("second"), 1);
    add(QStringLiteral("C"), QStringLiteral("third"), 2);
    store->touch(QStringLiteral("A"), searchTestEpoch.addSecs(3600), searchTestEpoch.addSecs(3600), 2);
    store->touch(QStringLiteral("missing"), searchTestEpoch, std::nullopt, 1);
    EXPECT_EQ(ids(store->fetchRecent(10, 0)), (QStringList{"A", "C", "B"}));
    EXPECT_EQ(store->fetchRecent(1, 0).items[0].accessCount, 2);

    store->deleteDocuments({QStringLiteral("C"), QStringLiteral("unknown")});
    store->deleteDocuments({});
    EXPECT_EQ(ids(store->fetchRecent(10, 0)), (QStringList{"A", "B"}));
    EXPECT_EQ(scalar(path, "SELECT COUNT(*) FROM fts_terms WHERE fts_terms MATCH 'first OR second OR third';"), 2);
    EXPECT_EQ(store->stats().gramCount, static_cast<qint64>(ClipboardSearchText::documentGrams(u"first", u"").size() +
                                                            ClipboardSearchText::documentGrams(u"second", u"").size()));
    EXPECT_TRUE(find(QStringLiteral("hir")).items.empty());
}

TEST_F(StoreTest, RebuildReplacesEverythingAndStampsTheTime) {
    add(QStringLiteral("OLD"), QStringLiteral("old text"), 0);
    EXPECT_EQ(store->stats().lastRebuildAt, std::nullopt);
    const ClipboardSearchIndexStats stats = store->rebuild(
        {indexDocument(QStringLiteral("N1"), QStringLiteral("ab"), 1), indexDocument(QStringLiteral("N2"), QStringLiteral("x"), 2)});
    EXPECT_EQ(stats.documentCount, 2);
    EXPECT_EQ(stats.gramCount, 1); // "ab"; a one-character text has no grams
    EXPECT_EQ(stats.lastRebuildAt, now);
    EXPECT_EQ(store->stats(), stats);
    EXPECT_EQ(ids(store->fetchRecent(10, 0)), (QStringList{"N2", "N1"}));

    EXPECT_EQ(store->rebuild({}).documentCount, 0);
    EXPECT_EQ(scalar(path, "SELECT COUNT(*) FROM fts_terms;"), 0);
}

TEST_F(StoreTest, TextOnlyRanksContainsThenPrefixThenRecency) {
    add(QStringLiteral("hello"), QStringLiteral("Hello world"), 1);
    add(QStringLiteral("shell"), QStringLiteral("a shell script"), 2);
    add(QStringLiteral("help"), QStringLiteral("help me"), 3);
    add(QStringLiteral("other"), QStringLiteral("nothing here"), 4);
    // FTS finds the two prefix matches; the trigram union adds the infix one.
    EXPECT_EQ(ids(find(QStringLiteral("hel"))), (QStringList{"help", "hello", "shell"}));
    EXPECT_EQ(ids(find(QStringLiteral("HELLO wor"))), QStringList{QStringLiteral("hello")});
    EXPECT_EQ(ids(find(QStringLiteral("he"))), (QStringList{"help", "hello", "other", "shell"}));
    EXPECT_TRUE(find(QStringLiteral("zzz")).items.empty());
    EXPECT_TRUE(find(QString()).items.empty());
}

TEST_F(StoreTest, PunctuationTakesTheScanPathWithoutTouchingFTS) {
    add(QStringLiteral("hyphen"), QStringLiteral("x a-b y"), 1);
    add(QStringLiteral("spaced"), QStringLiteral("a b"), 2);
    add(QStringLiteral("quote"), QStringLiteral("say \"hi\" now"), 3);
    add(QStringLiteral("bare"), QStringLiteral("hi there"), 4);
    ASSERT_TRUE(execute(path, "DROP TABLE fts_terms;"));
    EXPECT_EQ(ids(find(QStringLiteral("a-b"))), QStringList{QStringLiteral("hyphen")});
    EXPECT_EQ(ids(find(QStringLiteral("\"hi\""))), QStringList{QStringLiteral("quote")});
}

TEST_F(StoreTest, ChineseAndPinyinAreFoundThroughGrams) {
    add(QStringLiteral("zh"), QString::fromUtf16(u"\u6211\u4EEC\u5B66\u4E60\u4E2D\u6587\u5F88\u5F00\u5FC3"), 1);
    add(QStringLiteral("en"), QStringLiteral("zhongwen is not here"), 0);
    EXPECT_EQ(ids(find(QString::fromUtf16(u"\u4E2D\u6587"))), QStringList{QStringLiteral("zh")});
    EXPECT_EQ(ids(find(QStringLiteral("xuexi"))), QStringList{QStringLiteral("zh")});
    EXPECT_EQ(ids(find(QStringLiteral("zhong wen"))), QStringList{QStringLiteral("zh")});
    // FTS matches "zhongwen" in the English item, where it is also a prefix; grams add
    // the Chinese one through its compact pinyin.
    EXPECT_EQ(ids(find(QStringLiteral("zhongwen"))), (QStringList{"en", "zh"}));
}

TEST_F(StoreTest, LongTokenMatchedByFTSIsAnsweredByFTSAlone) {
    add(QStringLiteral("word"), QStringLiteral("internationalization rocks"), 1);
    add(QStringLiteral("infix"), QStringLiteral("xinternationalization"), 2);
    // The grams would also find "infix"; a long token that FTS matches does not ask them.
    EXPECT_EQ(ids(find(QStringLiteral("internationaliz"))), QStringList{QStringLiteral("word")});
}

TEST_F(StoreTest, LongTokenWithoutFTSMatchFallsBackToGrams) {
    add(QStringLiteral("infix"), QStringLiteral("xinternationalization"), 2);
    EXPECT_EQ(ids(find(QStringLiteral("internationaliz"))), QStringList{QStringLiteral("infix")});
}

TEST_F(StoreTest, PagingOnEveryPath) {
    for (int i = 0; i < 51; ++i) {
        add(QStringLiteral("P%1").arg(i, 2, 10, QLatin1Char('0')), QStringLiteral("apple pie a-b %1").arg(i), i);
    }
    struct Case {
        QString query;
    };
    // FTS (two tokens), union (one token), scan (punctuation).
    for (const QString& query : {QStringLiteral("apple pie"), QStringLiteral("pple"), QStringLiteral("a-b")}) {
        const ClipboardSearchPage first = find(query, 50, 0);
        EXPECT_EQ(first.items.size(), 50u) << query.toStdString();
        EXPECT_TRUE(first.hasMore) << query.toStdString();
        EXPECT_EQ(first.items.front().id, QStringLiteral("P50"));
        const ClipboardSearchPage second = find(query, 50, 50);
        EXPECT_EQ(ids(second), QStringList{QStringLiteral("P00")}) << query.toStdString();
        EXPECT_FALSE(second.hasMore);
        EXPECT_EQ(find(query, 50, 51), ClipboardSearchPage{});
        EXPECT_EQ(find(query, 0, 0).items.size(), 0u);
    }
    store->deleteDocuments({QStringLiteral("P00")});
    for (const QString& query : {QStringLiteral("apple pie"), QStringLiteral("pple"), QStringLiteral("a-b")}) {
        const ClipboardSearchPage exact = find(query, 50, 0);
        EXPECT_EQ(exact.items.size(), 50u);
        EXPECT_FALSE(exact.hasMore) << query.toStdString();
    }
}

TEST_F(StoreTest, FiltersOnly) {
    add(QStringLiteral("json"), QStringLiteral("{}"), 1, QStringLiteral("JSON"));
    add(QStringLiteral("img"), QStringLiteral("photo"), 2, std::nullopt, ClipboardContentType::image,
        QStringLiteral("org.Example.Shot"));
    add(QStringLiteral("sql"), QStringLiteral("select 1"), 3, QStringLiteral("SQL"), ClipboardContentType::text,
        QStringLiteral("org.example.db"));
    ClipboardSearchIndexDocument today = indexDocument(QStringLiteral("today"), QStringLiteral("fresh"), 0);
    today.createdAt = now.addSecs(-60);
    today.sortAt = today.createdAt;
    today.classification = QStringLiteral("json"); // compared without regard to case
    store->upsert(today);

    EXPECT_EQ(ids(find(QStringLiteral("type:json"))), (QStringList{"today", "json"}));
    EXPECT_EQ(ids(find(QStringLiteral(":img"))), QStringList{QStringLiteral("img")});
    EXPECT_EQ(ids(find(QStringLiteral("app:ORG.EXAMPLE.SHOT"))), QStringList{QStringLiteral("img")});
    EXPECT_EQ(ids(find(QStringLiteral("after:today"))), QStringList{QStringLiteral("today")});
    EXPECT_EQ(ids(find(QStringLiteral("before:yesterday type:text"))), (QStringList{"sql", "json"}));
    EXPECT_EQ(ids(find(QStringLiteral("type:json after:week"))), QStringList{QStringLiteral("today")});
    EXPECT_TRUE(find(QStringLiteral("type:nothing-like-this")).items.empty());
    const ClipboardSearchPage limited = find(QStringLiteral("type:text"), 1, 0);
    EXPECT_EQ(ids(limited), QStringList{QStringLiteral("today")});
    EXPECT_TRUE(limited.hasMore);
}

TEST_F(StoreTest, DateFiltersIncludeTheirLowerBoundAndExcludeTheirUpperBound) {
    const QDateTime midnight = now.toLocalTime().date().startOfDay();
    auto at = [&](const QString& id, const QDateTime& created) {
        ClipboardSearchIndexDocument document = indexDocument(id, QStringLiteral("dated ") + id, 0);
        document.createdAt = created;
        document.sortAt = created;
        store->upsert(document);
    };
    at(QStringLiteral("midnight"), midnight);
    at(QStringLiteral("justBefore"), midnight.addSecs(-1));
    at(QStringLiteral("justAfter"), midnight.addSecs(1));
    at(QStringLiteral("weekStart"), midnight.addDays(-7));
    at(QStringLiteral("beforeWeek"), midnight.addDays(-7).addSecs(-1));

    EXPECT_EQ(ids(find(QStringLiteral("after:today"))), (QStringList{"justAfter", "midnight"}));
    EXPECT_EQ(ids(find(QStringLiteral("dated after:today"))), (QStringList{"justAfter", "midnight"}));
    // "before:yesterday" ends where today begins.
    EXPECT_EQ(ids(find(QStringLiteral("before:yesterday"))), (QStringList{"justBefore", "weekStart", "beforeWeek"}));
    EXPECT_EQ(ids(find(QStringLiteral("after:week"))), (QStringList{"justAfter", "midnight", "justBefore", "weekStart"}));
    EXPECT_EQ(ids(find(QStringLiteral("after:yesterday before:yesterday"))), QStringList{QStringLiteral("justBefore")});
}

TEST_F(StoreTest, TextWithFilters) {
    add(QStringLiteral("j1"), QStringLiteral("config value"), 1, QStringLiteral("JSON"));
    add(QStringLiteral("j2"), QStringLiteral("reconfigure"), 2, QStringLiteral("JSON"));
    add(QStringLiteral("t1"), QStringLiteral("config other"), 3);
    add(QStringLiteral("j3"), QStringLiteral("x-ray config-y"), 4, QStringLiteral("JSON"));
    EXPECT_EQ(ids(find(QStringLiteral("config :json"))), (QStringList{"j1", "j3", "j2"}));
    EXPECT_EQ(ids(find(QStringLiteral("fig-y :json"))), QStringList{QStringLiteral("j3")});
    // One character with a system label: only the FTS prefix candidates ("x-ray" has
    // the term "ray"; "config" has no term starting with r).
    EXPECT_EQ(ids(find(QStringLiteral("r :json"))), (QStringList{"j2", "j3"}));
    EXPECT_TRUE(find(QStringLiteral("config type:image")).items.empty());
}

TEST_F(StoreTest, OneCharacterWithAUserLabelScansTheCompactText) {
    QJsonArray rules{QJsonObject{{QStringLiteral("id"), QStringLiteral("6F1B2C1E-2C43-4C55-9E0F-111111111111")},
                                 {QStringLiteral("name"), QStringLiteral("Work")},
                                 {QStringLiteral("conditionKind"), QStringLiteral("containsText")},
                                 {QStringLiteral("conditionValue"), QStringLiteral("acme")},
                                 {QStringLiteral("resultClassification"), QStringLiteral("Work Notes")},
                                 {QStringLiteral("isEnabled"), true}}};
    defaults.set(PreferenceKeys::classificationUserRules, QJsonDocument(rules).toJson());
    add(QStringLiteral("w1"), QStringLiteral("ends with q"), 1, QStringLiteral("Work Notes"));
    add(QStringLiteral("w2"), QStringLiteral("nothing"), 2, QStringLiteral("Work Notes"));
    add(QStringLiteral("o1"), QStringLiteral("q other"), 3);
    EXPECT_EQ(ids(find(QStringLiteral("q type:work-notes"))), QStringList{QStringLiteral("w1")});
}

TEST_F(StoreTest, HostileQueriesNeverBreakOutOfTheirQuotes) {
    add(QStringLiteral("A"), QStringLiteral("near and or not abc \"quoted\" (paren) star* ^caret"), 1);
    QString lone = QStringLiteral("abc");
    lone.insert(1, QChar(0xD800));
    const QString queries[] = {QStringLiteral("\""), QStringLiteral("\"\"\""), QStringLiteral("*"),
                               QStringLiteral("abc*"), QStringLiteral("(paren"), QStringLiteral("AND"),
                               QStringLiteral("a AND b"), QStringLiteral("NEAR(abc near)"), QStringLiteral("^caret"),
                               QStringLiteral("normalized_text:abc"), QStringLiteral("'; DROP TABLE documents; --"),
                               lone, QString(10'000, QLatin1Char('a')), QString(10'000, QLatin1Char('"')),
                               QStringLiteral("type:\" after:\""), QStringLiteral("\u0301"), QStringLiteral("a/b//c")};
    for (const QString& query : queries) {
        EXPECT_NO_THROW(find(query)) << query.left(20).toStdString();
        EXPECT_NO_THROW(find(query + QStringLiteral(" :json"))) << query.left(20).toStdString();
    }
    EXPECT_EQ(ids(find(QStringLiteral("and or not"))), QStringList{QStringLiteral("A")});
    EXPECT_EQ(ids(find(QStringLiteral("near"))), QStringList{QStringLiteral("A")});
    EXPECT_EQ(ids(find(QStringLiteral("(paren)"))), QStringList{QStringLiteral("A")});

    // Hostile FTS tokens with an alphanumeric compact text reach MATCH directly.
    ClipboardSearchIndexQuery raw;
    raw.normalizedText = QStringLiteral("abc");
    raw.compactText = QStringLiteral("abc");
    for (const char* token : {"\"", "AND", "NEAR(", "^", "*", "a\"b", "col:x", ")", "-", "/"}) {
        raw.tokens = {QString::fromLatin1(token)};
        EXPECT_NO_THROW(store->search(raw, {}, 10, 0)) << token;
    }
    EXPECT_EQ(scalar(path, "SELECT COUNT(*) FROM documents;"), 1);
}

// Found by fuzzing: a NUL cannot stand inside an FTS5 phrase, so control characters
// separate words in documents and queries alike.
TEST_F(StoreTest, ControlCharactersIncludingNulSeparateWords) {
    const QString withControls =
        QStringLiteral("type") + QChar(0x90) + QChar(0x19) + QChar(0) + QChar(0x90) + QStringLiteral("mg");
    add(QStringLiteral("A"), QStringLiteral("my type") + QChar(0) + QStringLiteral("mg notes"), 1);
    for (const QString& query : {withControls, QStringLiteral("type") + QChar(0), QString(QChar(0)),
                                 QStringLiteral("type:") + QChar(0x19)}) {
        EXPECT_NO_THROW(find(query)) << query.toUtf8().toHex().toStdString();
    }
    EXPECT_EQ(ids(find(withControls)), QStringList{QStringLiteral("A")});
    EXPECT_EQ(ids(find(QStringLiteral("type mg"))), QStringList{QStringLiteral("A")});
}

TEST(ClipboardSearchIndexQuery, MatchExpressionQuotesEveryPiece) {
    ClipboardSearchIndexQuery query;
    query.tokens = {QStringLiteral("say\"hi"), QStringLiteral("foo/bar/"), QStringLiteral("/"), QStringLiteral("x")};
    EXPECT_EQ(query.matchExpression(), QStringLiteral("\"say\"\"hi\"* AND \"foo\"* AND \"bar\"* AND \"x\"*"));
    query.tokens = {QStringLiteral("//")};
    EXPECT_EQ(query.matchExpression(), QString());
    EXPECT_EQ(ClipboardSearchIndexQuery::fromText(QStringLiteral(" Foo  Bar ")).tokens,
              (QStringList{"Foo", "Bar"}));
    EXPECT_EQ(ClipboardSearchIndexQuery::fromText(QStringLiteral(" Foo  Bar ")).compactText, QStringLiteral("foobar"));
}
