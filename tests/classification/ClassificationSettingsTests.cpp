#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "localization/Localizer.h"
#include "settings/PreferenceKeys.h"
#include "classification/ClipboardClassificationSettings.h"
#include "classification/LocalClipboardClassificationService.h"
#include "platform/fake/InMemoryDefaultsStore.h"

using namespace quellpad;
using C = ClipboardSystemClassification;

namespace {

class ClassificationSettingsTest : public ::testing::Test {
protected:
    InMemoryDefaultsStore defaults;
    ClipboardClassificationSettings settings{defaults};
};

TEST_F(ClassificationSettingsTest, DefaultsEnableEverything) {
    EXPECT_EQ(settings.enabledSystemClassifications().size(), systemClassificationCount);
    EXPECT_EQ(settings.enabledMainContentTypes(),
              (ClipboardMainContentTypeSet{ClipboardMainContentType::text, ClipboardMainContentType::image}));
    EXPECT_TRUE(settings.userRules().empty());
}

TEST_F(ClassificationSettingsTest, UnknownIdentifiersAreIgnoredAndWrongTypesGiveTheDefault) {
    defaults.set(PreferenceKeys::enabledSystemClassifications,
                 QStringList{QStringLiteral("json"), QStringLiteral("bogus"), QStringLiteral("URL"), QStringLiteral("sql")});
    EXPECT_EQ(settings.enabledSystemClassifications(), (ClipboardSystemClassificationSet{C::json, C::sql}));
    defaults.set(PreferenceKeys::enabledSystemClassifications, QStringList{});
    EXPECT_TRUE(settings.enabledSystemClassifications().empty());
    defaults.set(PreferenceKeys::enabledSystemClassifications, QStringLiteral("json"));
    EXPECT_EQ(settings.enabledSystemClassifications().size(), systemClassificationCount);

    defaults.set(PreferenceKeys::enabledMainContentTypes, QStringList{QStringLiteral("image"), QStringLiteral("video")});
    EXPECT_EQ(settings.enabledMainContentTypes(), (ClipboardMainContentTypeSet{ClipboardMainContentType::image}));
    defaults.set(PreferenceKeys::enabledMainContentTypes, qlonglong(3));
    EXPECT_EQ(settings.enabledMainContentTypes().size(), 2u);
}

TEST_F(ClassificationSettingsTest, WritesRoundTrip) {
    settings.setEnabledSystemClassifications({C::sql, C::url});
    EXPECT_EQ(defaults.stringArrayValue(PreferenceKeys::enabledSystemClassifications),
              (QStringList{QStringLiteral("url"), QStringLiteral("sql")}));
    settings.setEnabledMainContentTypes({ClipboardMainContentType::text});
    EXPECT_EQ(settings.enabledMainContentTypes(), (ClipboardMainContentTypeSet{ClipboardMainContentType::text}));

    const auto a = makeUserClassificationRule({QStringLiteral("A"), ClipboardUserClassificationConditionKind::domain,
                                               QStringLiteral("example.com"), QStringLiteral("Work Notes"), true});
    const auto b = makeUserClassificationRule({QStringLiteral("B 你好"), ClipboardUserClassificationConditionKind::regularExpression,
                                               QStringLiteral("^\"\\d+\"$"), QStringLiteral("数字"), false});
    ASSERT_TRUE(settings.setUserRules({a, b}));
    EXPECT_EQ(settings.userRules(), (std::vector<ClipboardUserClassificationRule>{a, b}));
}

TEST_F(ClassificationSettingsTest, StoredJSONUsesTheDocumentedKeys) {
    const QByteArray stored = R"([{"id":"5f0b8c2e-1d2a-4c3b-9e8f-0a1b2c3d4e5f","name":"Docs","conditionKind":"pathContains",
        "conditionValue":"docs","resultClassification":"Docs","isEnabled":true,"extra":1}])";
    defaults.set(PreferenceKeys::classificationUserRules, stored);
    const auto rules = settings.userRules();
    ASSERT_EQ(rules.size(), 1u);
    EXPECT_EQ(rules[0].id, QStringLiteral("5F0B8C2E-1D2A-4C3B-9E8F-0A1B2C3D4E5F"));
    EXPECT_EQ(rules[0].conditionKind, ClipboardUserClassificationConditionKind::pathContains);
}

TEST_F(ClassificationSettingsTest, BlankRulesAreDroppedWhenRead) {
    auto keep = makeUserClassificationRule({QStringLiteral("Keep"), ClipboardUserClassificationConditionKind::prefix,
                                            QStringLiteral("x"), QStringLiteral("X"), true});
    auto blankLabel = keep;
    blankLabel.id = QStringLiteral("5F0B8C2E-1D2A-4C3B-9E8F-0A1B2C3D4E50");
    blankLabel.resultClassification = QStringLiteral(" \n ");
    auto blankName = keep;
    blankName.id = QStringLiteral("5F0B8C2E-1D2A-4C3B-9E8F-0A1B2C3D4E51");
    blankName.name = QString();
    ASSERT_TRUE(settings.setUserRules({blankLabel, keep, blankName}));
    EXPECT_EQ(settings.userRules(), (std::vector<ClipboardUserClassificationRule>{keep}));
}

TEST_F(ClassificationSettingsTest, CorruptRuleDataLogsAndYieldsNoRules) {
    const QByteArray corrupt[] = {
        "not json",
        "{\"id\":1}",
        R"([{"id":"nope","name":"n","conditionKind":"prefix","conditionValue":"v","resultClassification":"r","isEnabled":true}])",
        R"([{"id":"5f0b8c2e-1d2a-4c3b-9e8f-0a1b2c3d4e5f","name":"n","conditionKind":"future","conditionValue":"v","resultClassification":"r","isEnabled":true}])",
        R"([{"id":"5f0b8c2e-1d2a-4c3b-9e8f-0a1b2c3d4e5f","name":"n","conditionKind":"prefix","conditionValue":"v","resultClassification":"r","isEnabled":"yes"}])",
        R"([{"id":"5f0b8c2e-1d2a-4c3b-9e8f-0a1b2c3d4e5f","name":"n","conditionKind":"prefix","conditionValue":"v","resultClassification":"r"}])",
        QByteArray(200'000, '[') + QByteArray(200'000, ']'),
        QByteArray("[\"\xff\"]"),
    };
    for (const QByteArray& data : corrupt) {
        defaults.set(PreferenceKeys::classificationUserRules, data);
        test::LogCapture logs;
        EXPECT_TRUE(settings.userRules().empty()) << data.left(80).constData();
        EXPECT_TRUE(logs.contains(LogLevel::error, QStringLiteral("ClipboardClassificationSettings"),
                                  QStringLiteral("Failed to decode classification rules: ")))
            << data.left(80).constData();
    }
}

TEST_F(ClassificationSettingsTest, ClassificationGoesOnWithSystemDetectorsWhenRulesAreCorrupt) {
    defaults.set(PreferenceKeys::classificationUserRules, QByteArray("[{"));
    LocalClipboardClassificationService service;
    test::LogCapture logs;
    const auto result = service.classify(QStringLiteral("{\"a\":1}"), defaults);
    EXPECT_EQ(result.primaryClassification, QStringLiteral("JSON"));
    EXPECT_TRUE(result.matchedUserRules.empty());
}

TEST_F(ClassificationSettingsTest, RulesThatCannotBeEncodedLeaveTheStoredValue) {
    auto good = makeUserClassificationRule({QStringLiteral("Good"), ClipboardUserClassificationConditionKind::prefix,
                                            QStringLiteral("x"), QStringLiteral("X"), true});
    ASSERT_TRUE(settings.setUserRules({good}));
    auto bad = good;
    bad.name = QString(QChar(0xDC00));
    test::LogCapture logs;
    EXPECT_FALSE(settings.setUserRules({bad}));
    EXPECT_TRUE(logs.contains(LogLevel::error, QStringLiteral("ClipboardClassificationSettings"),
                              QStringLiteral("Failed to encode classification rules: ")));
    EXPECT_EQ(settings.userRules(), (std::vector<ClipboardUserClassificationRule>{good}));
}

TEST(ClassificationVocabulary, DefinitionsInFixedOrderWithLabelsMatchingTheEnglishTable) {
    const auto& definitions = systemClassificationDefinitions();
    ASSERT_EQ(definitions.size(), systemClassificationCount);
    const char* expectedIds[] = {"url",      "githubPullRequest", "githubIssue", "email",    "ipAddress",
                                 "uuid",     "json",              "jsonLines",   "sql",      "markdown",
                                 "html",     "jwt",               "filePath",    "base64",   "curlCommand"};
    for (std::size_t i = 0; i < definitions.size(); ++i) {
        EXPECT_EQ(rawValue(definitions[i].id), QLatin1String(expectedIds[i]));
        EXPECT_EQ(systemClassificationFromRaw(QString::fromLatin1(expectedIds[i])), definitions[i].id);
        EXPECT_EQ(Localizer::text(AppLanguage::english, definitions[i].displayNameKey), definitions[i].displayName);
        EXPECT_EQ(Localizer::text(AppLanguage::english, definitions[i].summaryKey), definitions[i].summary);
        EXPECT_FALSE(Localizer::text(AppLanguage::simplifiedChinese, definitions[i].summaryKey).isEmpty());
    }
    EXPECT_EQ(definition(C::githubPullRequest).tier, ClipboardClassificationTier::domain);
    EXPECT_EQ(definition(C::githubIssue).group, ClipboardSystemClassificationGroup::developer);
    EXPECT_EQ(definition(C::filePath).group, ClipboardSystemClassificationGroup::general);
    EXPECT_EQ(displayName(C::jsonLines), QStringLiteral("JSON Lines"));
    EXPECT_EQ(systemClassificationFromRaw(u"JSON"), std::nullopt);
    for (const auto& type : mainContentTypeDefinitions()) {
        EXPECT_EQ(Localizer::text(AppLanguage::english, type.displayNameKey), type.displayName);
        EXPECT_EQ(Localizer::text(AppLanguage::english, type.summaryKey), type.summary);
    }
}

} // namespace
