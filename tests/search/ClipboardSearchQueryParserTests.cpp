#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "settings/PreferenceKeys.h"
#include "platform/fake/InMemoryDefaultsStore.h"
#include "search/ClipboardSearchFilterConditions.h"
#include "search/ClipboardSearchQueryParser.h"
#include "support/TestSupport.h"

using namespace quellpad;

namespace {

struct Rule {
    const char* name;
    const char* label;
    bool enabled = true;
};

void saveRules(DefaultsStore& defaults, std::initializer_list<Rule> rules) {
    QJsonArray array;
    for (const Rule& rule : rules) {
        array.push_back(QJsonObject{{QStringLiteral("id"), QStringLiteral("6F1B2C1E-2C43-4C55-9E0F-111111111111")},
                                    {QStringLiteral("name"), QString::fromUtf8(rule.name)},
                                    {QStringLiteral("conditionKind"), QStringLiteral("containsText")},
                                    {QStringLiteral("conditionValue"), QStringLiteral("x")},
                                    {QStringLiteral("resultClassification"), QString::fromUtf8(rule.label)},
                                    {QStringLiteral("isEnabled"), rule.enabled}});
    }
    defaults.set(PreferenceKeys::classificationUserRules, QJsonDocument(array).toJson(QJsonDocument::Compact));
}

ClipboardSearchFilter filter(ClipboardSearchFilterKind kind, const char* value, const char* source) {
    return {kind, QString::fromUtf8(value), false, QString::fromUtf8(source)};
}

class ParserTest : public ::testing::Test {
protected:
    InMemoryDefaultsStore defaults;
    ClipboardSearchQueryParser parser{defaults};
};

} // namespace

TEST_F(ParserTest, TokensAndFilters) {
    using K = ClipboardSearchFilterKind;
    struct Case {
        const char* input;
        QStringList text;
        std::vector<ClipboardSearchFilter> filters;
    };
    const std::vector<Case> cases{
        {"Type:Image  error", {"error"}, {filter(K::type, "Image", "type:image")}},
        {":json config", {"config"}, {filter(K::type, "JSON", ":json")}},
        {": json config", {"config"}, {filter(K::type, "JSON", ": json")}},
        {"type:pr", {}, {filter(K::type, "GitHub PR", "type:pr")}},
        {"type:pull-request", {}, {filter(K::type, "GitHub PR", "type:pull-request")}},
        {"type:github_pr", {}, {filter(K::type, "GitHub PR", "type:github_pr")}},
        {"type:githubpullrequest", {}, {filter(K::type, "GitHub PR", "type:githubpullrequest")}},
        {"type:img", {}, {filter(K::type, "Image", "type:img")}},
        {"type:TEXT", {}, {filter(K::type, "Text", "type:text")}},
        {"type:json-lines", {}, {filter(K::type, "JSON Lines", "type:json-lines")}},
        {"type:md notes", {"notes"}, {filter(K::type, "Markdown", "type:md")}},
        // The extra alias keys, each of which maps to another label than its own spelling.
        {"type:issue", {}, {filter(K::type, "GitHub Issue", "type:issue")}},
        {"type:ip", {}, {filter(K::type, "IP", "type:ip")}},
        {"type:path", {}, {filter(K::type, "File Path", "type:path")}},
        {"type:filepath", {}, {filter(K::type, "File Path", "type:filepath")}},
        {"type:base64", {}, {filter(K::type, "Base64", "type:base64")}},
        {"type:curl", {}, {filter(K::type, "Curl", "type:curl")}},
        {"type:jsonlines", {}, {filter(K::type, "JSON Lines", "type:jsonlines")}},
        {":ISSUE bug", {"bug"}, {filter(K::type, "GitHub Issue", ":issue")}},
        {"type: url", {}, {filter(K::type, "URL", "type: url")}},
        {"type:", {"type:"}, {}},
        {"type:Whatever", {}, {filter(K::type, "whatever", "type:whatever")}},
        {"after:tomorrow", {"after:tomorrow"}, {}},
        {"after:Today", {}, {filter(K::after, "today", "after:today")}},
        {"before: week x", {"x"}, {filter(K::before, "week", "before: week")}},
        {"after: soon", {"after:", "soon"}, {}},
        {"app:Com.Apple.Safari", {}, {filter(K::app, "com.apple.safari", "app:com.apple.safari")}},
        {"unknown:key", {"unknown:key"}, {}},
        {"abc:de", {"abc:de"}, {}},
        {":", {":"}, {}},
        {"   ", {}, {}},
        {"", {}, {}},
        {"a b :x", {"a", "b"}, {filter(K::type, "x", ":x")}},
    };
    for (const Case& c : cases) {
        const ClipboardParsedSearchQuery query = parser.parse(QString::fromUtf8(c.input));
        EXPECT_EQ(query.textTokens, c.text) << c.input;
        EXPECT_EQ(query.explicitFilters, c.filters) << c.input;
        EXPECT_TRUE(query.implicitFilters.empty());
        EXPECT_EQ(query.hasFilters(), !c.filters.empty()) << c.input;
    }
}

TEST_F(ParserTest, UserLabelsAreFoundByTheirKeyVariantsAndReadAfresh) {
    EXPECT_EQ(parser.parse(QStringLiteral("type:work-notes")).explicitFilters.front().value,
              QStringLiteral("work-notes"));
    saveRules(defaults, {{"Notes rule", "  Work Notes \n"}});
    for (const char* input : {"type:work-notes", "type:worknotes", "type:work_notes", ":Work-Notes"}) {
        const ClipboardParsedSearchQuery query = parser.parse(QString::fromUtf8(input));
        ASSERT_EQ(query.explicitFilters.size(), 1u) << input;
        EXPECT_EQ(query.explicitFilters.front().value, QStringLiteral("Work Notes")) << input;
    }
    // Built-in names win over a user label of the same spelling.
    saveRules(defaults, {{"Shadow", "JSON"}, {"Blank label", "   "}, {"", "Nameless"}});
    EXPECT_EQ(parser.classificationLabel(QStringLiteral("json")), QStringLiteral("JSON"));
    EXPECT_EQ(parser.classificationLabel(QStringLiteral("nameless")), std::nullopt);
    EXPECT_EQ(parser.classificationLabel(QStringLiteral("  ")), std::nullopt);
}

TEST_F(ParserTest, CorruptRuleDataMeansNoUserLabels) {
    defaults.set(PreferenceKeys::classificationUserRules, QByteArrayLiteral("{not json"));
    EXPECT_EQ(parser.classificationLabel(QStringLiteral("work")), std::nullopt);
    defaults.set(PreferenceKeys::classificationUserRules, QStringLiteral("a string, not data"));
    EXPECT_EQ(parser.classificationLabel(QStringLiteral("work")), std::nullopt);
}

TEST_F(ParserTest, HostileInputNeverThrows) {
    QString surrogate = QStringLiteral("ab");
    surrogate.insert(1, QChar(0xDC01));
    const QString hostile[] = {QStringLiteral("\"\"\" * ( ) AND OR NOT NEAR(a b) ^x"),
                               QString(10'000, QLatin1Char(':')), QString(10'000, QLatin1Char('a')), surrogate,
                               QStringLiteral("type:type:type: : : :"), QStringLiteral("::::json")};
    for (const QString& input : hostile) {
        const ClipboardParsedSearchQuery query = parser.parse(input);
        EXPECT_LE(query.textTokens.size() + static_cast<qsizetype>(query.explicitFilters.size()), input.size());
    }
}

TEST_F(ParserTest, LogsEachTokenAndTheResult) {
    test::LogCapture capture;
    parser.parse(QStringLiteral("error :json"));
    const QString category = QStringLiteral("SearchQueryParser");
    EXPECT_TRUE(capture.contains(LogLevel::debug, category,
                                 QStringLiteral("QueryParser.parse: input='error :json' normalized='error :json' "
                                                "tokens=[\"error\", \":json\"]")));
    EXPECT_TRUE(capture.contains(LogLevel::debug, category, QStringLiteral("QueryParser: token='error' -> text token")));
    EXPECT_TRUE(capture.contains(LogLevel::debug, category,
                                 QStringLiteral("QueryParser: token=':json' -> explicit filter: type:JSON")));
    EXPECT_TRUE(capture.contains(LogLevel::debug, category,
                                 QStringLiteral("QueryParser.parse result: textTokens=[\"error\"], explicitFilters=1, "
                                                "implicitFilters=0, hasFilters=true")));
}

TEST(ClipboardSearchDateRange, KeywordsInTheLocalCalendar) {
    const QDateTime now(QDate(2024, 3, 15), QTime(14, 30));
    const QDateTime midnight(QDate(2024, 3, 15), QTime(0, 0));
    EXPECT_EQ(clipboardSearchDateRange(QStringLiteral("today"), now),
              (ClipboardSearchDateRange{midnight, midnight.addDays(1)}));
    EXPECT_EQ(clipboardSearchDateRange(QStringLiteral("yesterday"), now),
              (ClipboardSearchDateRange{midnight.addDays(-1), midnight}));
    EXPECT_EQ(clipboardSearchDateRange(QStringLiteral("week"), now),
              (ClipboardSearchDateRange{midnight.addDays(-7), now}));
    EXPECT_EQ(clipboardSearchDateRange(QStringLiteral("month"), now),
              (ClipboardSearchDateRange{QDateTime(QDate(2024, 2, 15), QTime(0, 0)), now}));
    EXPECT_EQ(clipboardSearchDateRange(QStringLiteral("tomorrow"), now), std::nullopt);
}

TEST(ClipboardSearchFilterConditions, LastFilterOfAKindWins) {
    using K = ClipboardSearchFilterKind;
    const QDateTime now(QDate(2024, 3, 15), QTime(14, 30));
    const ClipboardSearchFilterConditions conditions = ClipboardSearchFilterConditions::reduce(
        {filter(K::type, "JSON", ":json"), filter(K::type, "Image", ":img"), filter(K::type, "SQL", ":sql"),
         filter(K::type, "  ", ":"), filter(K::app, "com.a", "app:com.a"), filter(K::app, "com.b", "app:com.b"),
         filter(K::after, "week", "after:week"), filter(K::before, "Today", "before:today")},
        now);
    EXPECT_EQ(conditions.contentType, ClipboardContentType::image);
    EXPECT_EQ(conditions.classification, QStringLiteral("SQL"));
    EXPECT_EQ(conditions.bundleIdentifier, QStringLiteral("com.b"));
    EXPECT_EQ(conditions.lowerBound, QDateTime(QDate(2024, 3, 8), QTime(0, 0)));
    EXPECT_EQ(conditions.upperBound, QDateTime(QDate(2024, 3, 16), QTime(0, 0)));
    EXPECT_EQ(ClipboardSearchFilterConditions::reduce({}, now), ClipboardSearchFilterConditions{});
}
