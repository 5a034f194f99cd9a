#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "classification/LocalClipboardClassificationService.h"

using namespace quellpad;
using Kind = ClipboardUserClassificationConditionKind;
using ValidationKind = ClipboardUserClassificationRuleValidationError::Kind;
using C = ClipboardSystemClassification;

namespace {

ClipboardUserClassificationRule rule(Kind kind, const QString& value, const QString& label = QStringLiteral("Label"),
                                     bool enabled = true) {
    return makeUserClassificationRule({QStringLiteral("Rule"), kind, value, label, enabled});
}

ClipboardSystemClassificationSet allEnabled() {
    const auto all = allSystemClassifications();
    return {all.begin(), all.end()};
}

bool holds(const ClipboardUserClassificationRule& r, const QString& text,
           const ClipboardSystemClassificationSet& enabled = allEnabled()) {
    LocalClipboardClassificationService service;
    return !service.classify(text, enabled, {r}).matchedUserRules.empty();
}

struct ConditionCase {
    Kind kind;
    const char* value;
    const char* text;
    bool holds;
};

void PrintTo(const ConditionCase& c, std::ostream* os) {
    *os << rawValue(c.kind).toStdString() << " \"" << c.value << "\" on \"" << c.text << '"';
}

class ConditionTable : public ::testing::TestWithParam<ConditionCase> {};

TEST_P(ConditionTable, Holds) {
    const ConditionCase& c = GetParam();
    EXPECT_EQ(holds(rule(c.kind, QString::fromUtf8(c.value)), QString::fromUtf8(c.text)), c.holds);
}

INSTANTIATE_TEST_SUITE_P(
    Text, ConditionTable,
    ::testing::Values(
        ConditionCase{Kind::containsText, "invoice", "Invoice #42", true},
        ConditionCase{Kind::containsText, "invoice", "INVOICE", true},
        ConditionCase{Kind::containsText, "cafe", "Le Café de Flore", true},
        ConditionCase{Kind::containsText, "Café", "CAFE noir", true},
        ConditionCase{Kind::containsText, "strasse", "Hauptstraße 5", true},
        ConditionCase{Kind::containsText, "你好", "大家你好呀", true},
        ConditionCase{Kind::containsText, "invoice", "in voice", false},
        ConditionCase{Kind::prefix, "ABC", "abcdef", true},
        ConditionCase{Kind::prefix, "ABC", "ABC-1", true},
        ConditionCase{Kind::prefix, "abc", "  ABC after trimming", true},
        ConditionCase{Kind::prefix, "ABC", "xABC", false},
        ConditionCase{Kind::suffix, ".PDF", "report.pdf", true},
        ConditionCase{Kind::suffix, "😀", "smile 😀", true},
        ConditionCase{Kind::suffix, "pdf", "pdf.txt", false},
        ConditionCase{Kind::regularExpression, "^[A-Z]{3}-\\d+$", "JIRA-1234", false},
        ConditionCase{Kind::regularExpression, "^[A-Z]{4}-\\d+$", "JIRA-1234", true},
        ConditionCase{Kind::regularExpression, "jira", "JIRA-1", false},
        ConditionCase{Kind::regularExpression, "(?i)jira", "JIRA-1", true}));

INSTANTIATE_TEST_SUITE_P(
    Links, ConditionTable,
    ::testing::Values(
        ConditionCase{Kind::domain, "example.com", "https://example.com/a", true},
        ConditionCase{Kind::domain, "Example.COM", "https://docs.example.com", true},
        ConditionCase{Kind::domain, "example.com", "https://badexample.com/", false},
        ConditionCase{Kind::domain, "example.com", "visit https://example.com", false},
        ConditionCase{Kind::domain, "example.com", "example.com", false},
        ConditionCase{Kind::domain, "bücher.de", "https://xn--bcher-kva.de/x", true},
        ConditionCase{Kind::domain, "xn--bcher-kva.de", "https://shop.bücher.de/x", true},
        ConditionCase{Kind::pathContains, "wiki", "https://en.wikipedia.org/WIKI/Cat", true},
        ConditionCase{Kind::pathContains, "a b", "https://example.com/x/a%20b", true},
        ConditionCase{Kind::pathContains, "search", "https://example.com/?q=search", false}));

INSTANTIATE_TEST_SUITE_P(
    Structure, ConditionTable,
    ::testing::Values(
        ConditionCase{Kind::jsonKeyExists, "userId", "[{\"a\":1},{\"USERID\":7}]", true},
        ConditionCase{Kind::jsonKeyExists, "userId", "{\"user\":{\"profile\":{\"userid\":1}}}", true},
        ConditionCase{Kind::jsonKeyExists, "userId", "{\"note\":\"userId\"}", false},
        ConditionCase{Kind::jsonKeyExists, "userId", "{\"userId\":1} trailing", false},
        ConditionCase{Kind::jsonKeyExists, "userId", "\"userId\"", false},
        ConditionCase{Kind::matchedSystemClassification, "json", "{\"a\":1}", true},
        ConditionCase{Kind::matchedSystemClassification, "url", "{\"a\":1}", false},
        ConditionCase{Kind::matchedSystemClassification, "githubIssue", "https://github.com/o/r/issues/1", true}));

TEST(UserRules, JSONKeysAreSearchedSixtyThreeLevelsDeep) {
    auto nestedObject = [](int levels) {
        QString text;
        for (int i = 0; i < levels; ++i) {
            text += QStringLiteral("[");
        }
        text += QStringLiteral("{\"needle\":1}");
        for (int i = 0; i < levels; ++i) {
            text += QStringLiteral("]");
        }
        return text;
    };
    const auto r = rule(Kind::jsonKeyExists, QStringLiteral("needle"));
    EXPECT_TRUE(holds(r, nestedObject(63)));
    EXPECT_FALSE(holds(r, nestedObject(64)));
    EXPECT_FALSE(holds(r, nestedObject(100'000)));
}

TEST(UserRules, MatchedSystemClassificationNeedsTheDetectorEnabled) {
    const auto r = rule(Kind::matchedSystemClassification, QStringLiteral("json"));
    EXPECT_TRUE(holds(r, QStringLiteral("[1]")));
    ClipboardSystemClassificationSet withoutJSON = allEnabled();
    withoutJSON.erase(C::json);
    EXPECT_FALSE(holds(r, QStringLiteral("[1]"), withoutJSON));
}

TEST(UserRules, LabelsAreTrimmedDeduplicatedAndLeadThePrimary) {
    ClipboardUserClassificationRule a = rule(Kind::containsText, QStringLiteral("pay"), QStringLiteral("Finance"));
    ClipboardUserClassificationRule disabled =
        rule(Kind::containsText, QStringLiteral("pay"), QStringLiteral("Never"), false);
    ClipboardUserClassificationRule b = rule(Kind::prefix, QStringLiteral("https"), QStringLiteral("Web"));
    ClipboardUserClassificationRule c = rule(Kind::containsText, QStringLiteral("example"), QStringLiteral("Finance"));
    c.resultClassification = QStringLiteral("  Finance \n");
    LocalClipboardClassificationService service;
    const auto result = service.classify(QStringLiteral("https://pay.example.com"), allEnabled(), {a, disabled, b, c});
    EXPECT_EQ(result.userClassifications, (QStringList{QStringLiteral("Finance"), QStringLiteral("Web")}));
    ASSERT_EQ(result.matchedUserRules.size(), 3u);
    EXPECT_EQ(result.matchedUserRules[0].ruleID, a.id);
    EXPECT_EQ(result.matchedUserRules[0].conditionSummary, QStringLiteral("Contains \"pay\""));
    EXPECT_EQ(result.matchedUserRules[2].resultClassification, QStringLiteral("Finance"));
    EXPECT_EQ(result.primaryClassification, QStringLiteral("Finance"));
    EXPECT_EQ(storedClassification(result), QStringLiteral("Finance"));
}

TEST(UserRules, ValidationReportsTheFirstFailingCheck) {
    struct Case {
        ClipboardUserClassificationRuleDraft draft;
        ValidationKind expected;
        const char* description;
    };
    const Case cases[] = {
        {{QStringLiteral(" \n"), Kind::containsText, QString(), QString(), true}, ValidationKind::missingName,
         "Rule name is required."},
        {{QStringLiteral("n"), Kind::containsText, QStringLiteral("\t"), QString(), true},
         ValidationKind::missingConditionValue, "Condition value is required."},
        {{QStringLiteral("n"), Kind::containsText, QStringLiteral("v"), QStringLiteral(" "), true},
         ValidationKind::missingResultClassification, "Result classification is required."},
        {{QStringLiteral("n"), Kind::regularExpression, QStringLiteral("(unclosed"), QStringLiteral("L"), true},
         ValidationKind::invalidRegularExpression, "Enter a valid regular expression."},
        {{QStringLiteral("n"), Kind::matchedSystemClassification, QStringLiteral("JSON"), QStringLiteral("L"), true},
         ValidationKind::invalidSystemClassification, "Choose a valid system classification."},
    };
    for (const Case& c : cases) {
        try {
            makeUserClassificationRule(c.draft);
            ADD_FAILURE() << "no error for " << c.description;
        } catch (const ClipboardUserClassificationRuleValidationError& error) {
            EXPECT_EQ(error.kind(), c.expected);
            EXPECT_EQ(error.description(), QString::fromUtf8(c.description));
        }
    }
}

TEST(UserRules, ValidDraftsAreTrimmedAndKeepAnExistingID) {
    const QString id = QStringLiteral("5f0b8c2e-1d2a-4c3b-9e8f-0a1b2c3d4e5f");
    const auto r = makeUserClassificationRule(
        {QStringLiteral(" Name "), Kind::regularExpression, QStringLiteral(" a+ \n"), QStringLiteral(" Label "), false},
        id);
    EXPECT_EQ(r.id, id.toUpper());
    EXPECT_EQ(r.name, QStringLiteral("Name"));
    EXPECT_EQ(r.conditionValue, QStringLiteral("a+"));
    EXPECT_EQ(r.resultClassification, QStringLiteral("Label"));
    EXPECT_FALSE(r.isEnabled);
    const auto fresh = makeUserClassificationRule(
        {QStringLiteral("n"), Kind::matchedSystemClassification, QStringLiteral("githubPullRequest"),
         QStringLiteral("L"), true});
    EXPECT_EQ(fresh.id.size(), 36);
    EXPECT_EQ(fresh.id, fresh.id.toUpper());
}

TEST(UserRules, ConditionSummaries) {
    struct Case {
        Kind kind;
        const char* value;
        const char* summary;
    };
    const Case cases[] = {
        {Kind::containsText, "invoice", "Contains \"invoice\""},
        {Kind::prefix, "ABC", "Starts with \"ABC\""},
        {Kind::suffix, ".pdf", "Ends with \".pdf\""},
        {Kind::pathContains, "wiki", "URL path contains \"wiki\""},
        {Kind::regularExpression, "^a+$", "Regex: ^a+$"},
        {Kind::domain, "example.com", "Domain matches example.com"},
        {Kind::jsonKeyExists, "userId", "JSON key exists: userId"},
        {Kind::matchedSystemClassification, "githubPullRequest", "Matched system classification: GitHub PR"},
    };
    for (const Case& c : cases) {
        ClipboardUserClassificationRule r;
        r.conditionKind = c.kind;
        r.conditionValue = QStringLiteral("  ") + QString::fromUtf8(c.value) + QStringLiteral(" ");
        EXPECT_EQ(conditionSummary(r), QString::fromUtf8(c.summary));
    }
    ClipboardUserClassificationRule unknown;
    unknown.conditionKind = Kind::matchedSystemClassification;
    unknown.conditionValue = QStringLiteral("somethingElse");
    EXPECT_EQ(conditionSummary(unknown), QStringLiteral("Matched system classification: somethingElse"));
    EXPECT_EQ(conditionSummary(rule(Kind::matchedSystemClassification, QStringLiteral("filePath")),
                               AppLanguage::simplifiedChinese),
              QStringLiteral("命中系统分类：文件路径"));
}

TEST(UserRules, StoredRulesThatCannotMatchNeverDo) {
    ClipboardUserClassificationRule badPattern;
    badPattern.conditionKind = Kind::regularExpression;
    badPattern.conditionValue = QStringLiteral("([unclosed");
    badPattern.resultClassification = QStringLiteral("L");
    ClipboardUserClassificationRule blankValue = badPattern;
    blankValue.conditionKind = Kind::containsText;
    blankValue.conditionValue = QStringLiteral("  ");
    LocalClipboardClassificationService service;
    EXPECT_TRUE(service.classify(QStringLiteral("([unclosed"), allEnabled(), {badPattern, blankValue})
                    .matchedUserRules.empty());
    EXPECT_TRUE(service.classify(QStringLiteral("([unclosed"), allEnabled(), {badPattern}).matchedUserRules.empty());
    EXPECT_EQ(service.cachedPatternCount(), 1u);
}

TEST(UserRules, CatastrophicPatternEndsAsNoMatchWithAWarning) {
    ClipboardUserClassificationRule r;
    r.name = QStringLiteral("Hostile");
    r.conditionKind = Kind::regularExpression;
    r.conditionValue = QStringLiteral("^(a+)+$");
    r.resultClassification = QStringLiteral("Boom");
    const QString text = QString(40, QLatin1Char('a')) + QLatin1Char('b');
    LocalClipboardClassificationService service;
    test::LogCapture logs;
    const auto result = service.classify(text, allEnabled(), {r});
    EXPECT_TRUE(result.userClassifications.isEmpty());
    EXPECT_TRUE(logs.contains(LogLevel::warning, LocalClipboardClassificationService::logCategory,
                              QStringLiteral("User rule \"Hostile\" pattern gave up")));
    // The same pattern is compiled once and reused.
    service.classify(text, allEnabled(), {r});
    EXPECT_EQ(service.cachedPatternCount(), 1u);
}

TEST(UserRules, RulesShareOneTimeBudgetPerClassification) {
    // Every reading of the clock moves it on by 70 ms: the budget of 200 ms lasts for
    // two rules, whatever the machine's speed.
    auto clockTime = std::make_shared<std::chrono::steady_clock::time_point>();
    LocalClipboardClassificationService service([clockTime] {
        *clockTime += std::chrono::milliseconds(70);
        return *clockTime;
    });
    std::vector<ClipboardUserClassificationRule> rules;
    for (const char* label : {"One", "Two", "Three", "Four"}) {
        rules.push_back(rule(Kind::containsText, QStringLiteral("invoice"), QString::fromUtf8(label)));
    }
    rules.insert(rules.begin() + 1, rule(Kind::containsText, QStringLiteral("invoice"), QStringLiteral("Off"), false));
    test::LogCapture logs;
    for (int round = 0; round < 2; ++round) {
        const auto result = service.classify(QStringLiteral("Invoice 42"), allEnabled(), rules);
        EXPECT_EQ(result.userClassifications, (QStringList{"One", "Two"})) << round;
    }
    std::vector<QString> warnings;
    for (const test::CapturedLogLine& line : logs.lines()) {
        if (line.level == LogLevel::warning) {
            warnings.push_back(line.message);
        }
    }
    EXPECT_EQ(warnings, std::vector<QString>(2, QStringLiteral("User rules used up their 200 ms budget; skipped the "
                                                               "remaining 2 rules for this text")));
}

TEST(UserRules, ARuleThatKeepsGivingUpIsSkippedForAWhile) {
    ClipboardUserClassificationRule hostile = rule(Kind::regularExpression, QStringLiteral("^(a+)+$"), QStringLiteral("Boom"));
    hostile.name = QStringLiteral("Hostile");
    const ClipboardUserClassificationRule cheap = rule(Kind::prefix, QStringLiteral("aaa"), QStringLiteral("Cheap"));
    const QString text = QString(40, QLatin1Char('a')) + QLatin1Char('b');
    // The clock only moves when the test says so, so the budget never runs out here.
    auto clockTime = std::make_shared<std::chrono::steady_clock::time_point>();
    LocalClipboardClassificationService service([clockTime] { return *clockTime; });
    const QString gaveUp = QStringLiteral("User rule \"Hostile\" pattern gave up");
    for (int attempt = 1; attempt <= 3; ++attempt) {
        EXPECT_TRUE(service.slowUserRules().empty()) << attempt;
        test::LogCapture logs;
        EXPECT_EQ(service.classify(text, allEnabled(), {hostile, cheap}).userClassifications, QStringList{"Cheap"});
        EXPECT_TRUE(logs.contains(LogLevel::warning, LocalClipboardClassificationService::logCategory, gaveUp));
    }
    const std::vector<ClipboardSlowUserRule> slow = service.slowUserRules();
    ASSERT_EQ(slow.size(), 1u);
    EXPECT_EQ(slow[0].ruleID, hostile.id);
    EXPECT_EQ(slow[0].ruleName, QStringLiteral("Hostile"));
    EXPECT_EQ(slow[0].consecutiveTimeouts, 3);
    {
        test::LogCapture logs;
        EXPECT_EQ(service.classify(text, allEnabled(), {hostile, cheap}).userClassifications, QStringList{"Cheap"});
        EXPECT_FALSE(logs.contains(LogLevel::warning, LocalClipboardClassificationService::logCategory, gaveUp));
        // An edited pattern is a new rule as far as its record goes.
        ClipboardUserClassificationRule edited = hostile;
        edited.conditionValue = QStringLiteral("^a+b$");
        EXPECT_EQ(service.classify(text, allEnabled(), {edited}).userClassifications, QStringList{"Boom"});
    }
    *clockTime += LocalClipboardClassificationService::slowRuleSkipDuration + std::chrono::seconds(1);
    EXPECT_TRUE(service.slowUserRules().empty());
    {
        // One more try after the pause; giving up again skips it again at once.
        test::LogCapture logs;
        service.classify(text, allEnabled(), {hostile});
        EXPECT_TRUE(logs.contains(LogLevel::warning, LocalClipboardClassificationService::logCategory, gaveUp));
        ASSERT_EQ(service.slowUserRules().size(), 1u);
        EXPECT_EQ(service.slowUserRules()[0].consecutiveTimeouts, 4);
    }
}

TEST(Classification, ResultAndStoredLabel) {
    LocalClipboardClassificationService service;
    const auto pr = service.classify(QStringLiteral(" https://github.com/o/r/pull/12 \n"), allEnabled(), {});
    EXPECT_EQ(pr.primaryClassification, QStringLiteral("GitHub PR"));
    EXPECT_EQ(storedClassification(pr), QStringLiteral("GitHub PR"));

    const auto plain = service.classify(QStringLiteral("hello there"), allEnabled(), {});
    EXPECT_EQ(plain.primaryClassification, QStringLiteral("Text"));
    EXPECT_EQ(storedClassification(plain), std::nullopt);

    const auto disabled = service.classify(QStringLiteral("https://github.com/o/r/pull/12"), {}, {});
    EXPECT_EQ(storedClassification(disabled), std::nullopt);

    // A user label that happens to read "Text" is still a user label and is stored.
    const auto userText = service.classify(QStringLiteral("abc"), allEnabled(),
                                           {rule(Kind::prefix, QStringLiteral("a"), QStringLiteral("Text"))});
    EXPECT_EQ(storedClassification(userText), QStringLiteral("Text"));
}

} // namespace
