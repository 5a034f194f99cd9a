#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "settings/PreferenceKeys.h"
#include "search/ClipboardFilterSuggestions.h"
#include "search/ClipboardSearchQueryParser.h"
#include "search/SearchTestSupport.h"

using namespace quellpad;

namespace {

void saveLabels(DefaultsStore& defaults, const QStringList& labels) {
    QJsonArray rules;
    for (const QString& label : labels) {
        rules.push_back(QJsonObject{{QStringLiteral("id"), QStringLiteral("6F1B2C1E-2C43-4C55-9E0F-111111111111")},
                                    {QStringLiteral("name"), QStringLiteral("rule ") + label},
                                    {QStringLiteral("conditionKind"), QStringLiteral("containsText")},
                                    {QStringLiteral("conditionValue"), QStringLiteral("x")},
                                    {QStringLiteral("resultClassification"), label},
                                    {QStringLiteral("isEnabled"), true}});
    }
    defaults.set(PreferenceKeys::classificationUserRules, QJsonDocument(rules).toJson());
}

class SuggestionsTest : public ::testing::Test {
protected:
    std::vector<RankedFilterSuggestion> suggest(const QString& text) {
        const auto context = ClipboardFilterSuggestions::suggestionContext(text, text.size());
        return context ? suggestions.filterSuggestions(*context) : std::vector<RankedFilterSuggestion>{};
    }
    QStringList names(const QString& text) {
        QStringList result;
        for (const RankedFilterSuggestion& ranked : suggest(text)) {
            result.push_back(ranked.suggestion.displayName);
        }
        return result;
    }

    InMemoryDefaultsStore defaults;
    ClipboardFilterSuggestions suggestions{defaults};
};

} // namespace

TEST(ClipboardFilterSuggestionContext, ColonAtStartOrAfterWhiteSpace) {
    struct Case {
        const char* text;
        qsizetype cursor;
        std::optional<ClipboardFilterSuggestionContext> expected;
    };
    const std::vector<Case> cases{
        {":", 1, ClipboardFilterSuggestionContext{0, 1, "", ":"}},
        {"error :js", 9, ClipboardFilterSuggestionContext{6, 3, "js", "error :js"}},
        {"a : j.s_-1", 10, ClipboardFilterSuggestionContext{2, 8, "j.s_-1", "a : j.s_-1"}},
        {"x\t:ab more", 5, ClipboardFilterSuggestionContext{2, 3, "ab", "x\t:ab more"}},
        {"abc:de", 6, std::nullopt},
        {":ab cd", 6, std::nullopt},
        {":a!", 3, std::nullopt},
        {":abc", 0, std::nullopt},
        {"", 0, std::nullopt},
        {":abc", 99, ClipboardFilterSuggestionContext{0, 4, "abc", ":abc"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ClipboardFilterSuggestions::suggestionContext(QString::fromUtf8(c.text), c.cursor), c.expected)
            << c.text;
    }
    // White space before the colon may be any Unicode space.
    EXPECT_TRUE(ClipboardFilterSuggestions::suggestionContext(QString::fromUtf16(u"x\u3000:js"), 5).has_value());
}

TEST_F(SuggestionsTest, RanksByHowTheKeyMatches) {
    const std::vector<RankedFilterSuggestion> js = suggest(QStringLiteral("error :js"));
    ASSERT_GE(js.size(), 2u);
    EXPECT_EQ(js[0].suggestion.displayName, QStringLiteral("JSON"));
    EXPECT_EQ(js[0].rank, 1);
    EXPECT_EQ(js[0].suggestion.matchText, QStringLiteral("json"));
    EXPECT_EQ(js[1].suggestion.displayName, QStringLiteral("JSON Lines"));
    EXPECT_EQ(js[1].rank, 1);
    EXPECT_LT(js[0].order, js[1].order);

    const std::vector<RankedFilterSuggestion> pull = suggest(QStringLiteral(":pull-re"));
    ASSERT_FALSE(pull.empty());
    EXPECT_EQ(pull[0].suggestion.displayName, QStringLiteral("GitHub PR"));
    EXPECT_EQ(pull[0].rank, 1);
    EXPECT_EQ(pull[0].suggestion.matchText, QStringLiteral("pull-request"));

    EXPECT_EQ(names(QStringLiteral(":hub")), (QStringList{"GitHub PR", "GitHub Issue"}));
    EXPECT_EQ(suggest(QStringLiteral(":hub"))[0].rank, 3);

    const std::vector<RankedFilterSuggestion> exact = suggest(QStringLiteral(":url"));
    EXPECT_EQ(exact[0].suggestion.displayName, QStringLiteral("URL"));
    EXPECT_EQ(exact[0].rank, 0);
    // "file_p" compacts to "filep", a prefix of the compacted key "file-path".
    const std::vector<RankedFilterSuggestion> compacted = suggest(QStringLiteral(":file_p"));
    ASSERT_FALSE(compacted.empty());
    EXPECT_EQ(compacted[0].suggestion.displayName, QStringLiteral("File Path"));
    EXPECT_EQ(compacted[0].rank, 1); // "file_path" is itself a key
    EXPECT_EQ(suggest(QStringLiteral(":filep"))[0].rank, 1);
    EXPECT_EQ(suggest(QStringLiteral(":ile-pa"))[0].rank, 3);
    EXPECT_EQ(suggest(QStringLiteral(":ilepa"))[0].rank, 3); // "filepath" contains it
    EXPECT_TRUE(suggest(QStringLiteral(":zzz")).empty());
}

TEST_F(SuggestionsTest, EmptyPrefixOffersEveryCandidateInOrder) {
    saveLabels(defaults, {QStringLiteral("Work Notes"), QStringLiteral(" Work Notes "), QStringLiteral("   ")});
    const std::vector<RankedFilterSuggestion> all = suggest(QStringLiteral(":"));
    ASSERT_EQ(all.size(), 2u + 15u + 1u);
    EXPECT_EQ(all[0].suggestion.displayName, QStringLiteral("Text"));
    EXPECT_EQ(all[1].suggestion.displayName, QStringLiteral("Image"));
    EXPECT_EQ(all[2].suggestion.displayName, QStringLiteral("URL"));
    EXPECT_EQ(all[16].suggestion.displayName, QStringLiteral("Curl"));
    EXPECT_EQ(all[17].suggestion.displayName, QStringLiteral("Work Notes"));
    EXPECT_EQ(all[17].suggestion.source, ClipboardFilterSuggestionSource::user);
    for (size_t i = 0; i < all.size(); ++i) {
        EXPECT_EQ(all[i].rank, 0);
        EXPECT_EQ(all[i].order, static_cast<int>(i));
    }
}

TEST_F(SuggestionsTest, DisabledContentTypesAreNotOffered) {
    defaults.set(PreferenceKeys::enabledMainContentTypes, QStringList{QStringLiteral("text"), QStringLiteral("bogus")});
    EXPECT_FALSE(names(QStringLiteral(":")).contains(QStringLiteral("Image")));
    EXPECT_TRUE(names(QStringLiteral(":im")).isEmpty());
    EXPECT_EQ(names(QStringLiteral(":tex")), QStringList{QStringLiteral("Text")});
}

TEST_F(SuggestionsTest, InsertTokensRoundTripThroughTheParser) {
    saveLabels(defaults, {QStringLiteral("Work  Notes")});
    const ClipboardSearchQueryParser parser(defaults);
    const auto context = ClipboardFilterSuggestions::suggestionContext(QStringLiteral("error :hub more"), 10);
    ASSERT_TRUE(context.has_value());
    const std::vector<RankedFilterSuggestion> ranked = suggestions.filterSuggestions(*context);
    ASSERT_FALSE(ranked.empty());
    EXPECT_EQ(ranked[0].suggestion.insertToken, QStringLiteral(":GitHub-PR"));
    const auto [text, cursor] = ClipboardFilterSuggestions::apply(*context, ranked[0].suggestion);
    EXPECT_EQ(text, QStringLiteral("error :GitHub-PR more"));
    EXPECT_EQ(cursor, 16);
    for (const RankedFilterSuggestion& each : suggest(QStringLiteral(":"))) {
        const ClipboardParsedSearchQuery parsed = parser.parse(each.suggestion.insertToken);
        ASSERT_EQ(parsed.explicitFilters.size(), 1u) << each.suggestion.insertToken.toStdString();
        EXPECT_EQ(parsed.explicitFilters[0].value, each.suggestion.displayName == QStringLiteral("Work  Notes")
                                                       ? QStringLiteral("Work  Notes")
                                                       : each.suggestion.displayName);
    }
}
