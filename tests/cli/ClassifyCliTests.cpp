// `quellpad classify` run as a user would: a separate process with its own settings.
#include <gtest/gtest.h>

#include "support/CliHarness.h"

#include <QProcess>

#include <nlohmann/json.hpp>

#include "settings/PreferenceKeys.h"
#include "classification/ClipboardClassificationSettings.h"
#include "platform/linux/JsonFileDefaultsStore.h"

using namespace quellpad;

namespace {

using test::CliResult;

class ClassifyCliTest : public ::testing::Test {
protected:
    test::CliHarness cli;

    QString settingsPath() const { return cli.settingsPath(); }

    // Through standard input, as scripts pipe text in.
    CliResult run(const QStringList& arguments, const QByteArray& input) const {
        return cli.spawn(QStringList{QStringLiteral("classify")} + arguments, input);
    }

    nlohmann::json classifyJSON(const QByteArray& input) const {
        const CliResult result = run({QStringLiteral("--json")}, input);
        EXPECT_EQ(result.exitCode, 0) << result.err.constData();
        return nlohmann::json::parse(result.out.constData(), nullptr, false);
    }
};

TEST_F(ClassifyCliTest, JSONOutputNamesEveryDetectorAndTheStoredLabel) {
    const CliResult raw = run({QStringLiteral("--json")}, "https://github.com/o/r/pull/9\n");
    EXPECT_EQ(raw.out, QByteArray(R"({"system":["url","githubPullRequest"],"user":[],"primary":"GitHub PR","stored":"GitHub PR"})"
                                  "\n"));
    const auto plain = classifyJSON("just some words");
    EXPECT_EQ(plain["primary"], "Text");
    EXPECT_TRUE(plain["stored"].is_null());
    EXPECT_TRUE(plain["system"].empty());
    const auto sql = classifyJSON("  SELECT * FROM users;  ");
    EXPECT_EQ(sql["system"], nlohmann::json::array({"sql"}));
}

TEST_F(ClassifyCliTest, PlainOutputStartsWithThePrimaryClassification) {
    const CliResult result = run({}, "{\"a\": [1, 2]}");
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.out.startsWith("JSON\nSystem Classifications: JSON\n")) << result.out.constData();
}

TEST_F(ClassifyCliTest, ReadsAFileAndAppliesTheUserRulesAndSettings) {
    {
        JsonFileDefaultsStore defaults(settingsPath());
        ClipboardClassificationSettings settings(defaults);
        settings.setEnabledSystemClassifications({ClipboardSystemClassification::json});
        ASSERT_TRUE(settings.setUserRules(
            {makeUserClassificationRule({QStringLiteral("Orders"), ClipboardUserClassificationConditionKind::jsonKeyExists,
                                         QStringLiteral("orderId"), QStringLiteral("Order"), true}),
             makeUserClassificationRule({QStringLiteral("Links"), ClipboardUserClassificationConditionKind::domain,
                                         QStringLiteral("example.com"), QStringLiteral("Example"), true})}));
    }
    const QString file = cli.home() + QStringLiteral("/input.json");
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write("[{\"ORDERID\": 7}]");
    out.close();
    const CliResult result = run({QStringLiteral("--json"), file}, QByteArray());
    EXPECT_EQ(result.exitCode, 0) << result.err.constData();
    EXPECT_EQ(result.out, QByteArray(R"({"system":["json"],"user":["Order"],"primary":"Order","stored":"Order"})"
                                     "\n"));
    // url is disabled, so a link gets the user label but no system classification
    const auto link = classifyJSON("https://docs.example.com/a");
    EXPECT_EQ(link["system"], nlohmann::json::array());
    EXPECT_EQ(link["stored"], "Example");
}

TEST_F(ClassifyCliTest, BadInputIsAClearErrorNeverACrash) {
    const CliResult invalid = run({}, QByteArray("abc\xff\xfe", 5));
    EXPECT_EQ(invalid.exitCode, 1);
    EXPECT_TRUE(invalid.out.isEmpty());
    EXPECT_TRUE(invalid.err.contains("not valid UTF-8")) << invalid.err.constData();

    const CliResult missing = run({cli.home() + QStringLiteral("/missing.txt")}, QByteArray());
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.contains("missing.txt"));

    const CliResult extra = run({QStringLiteral("a"), QStringLiteral("b")}, QByteArray());
    EXPECT_EQ(extra.exitCode, 2);

    const auto nul = classifyJSON(QByteArray("/tmp/a\0b", 8));
    EXPECT_EQ(nul["primary"], "Text");

    QByteArray nested(100'000, '[');
    nested.append(QByteArray(100'000, ']'));
    EXPECT_EQ(classifyJSON(nested)["primary"], "Text");
    const auto big = classifyJSON(QByteArray(10 * 1024 * 1024, 'a'));
    EXPECT_EQ(big["system"], nlohmann::json::array({"base64"}));
}

TEST_F(ClassifyCliTest, CorruptRulesAreReportedAndClassificationGoesOn) {
    {
        JsonFileDefaultsStore defaults(settingsPath());
        defaults.set(PreferenceKeys::classificationUserRules, QByteArray("[{\"broken\""));
    }
    const CliResult result = run({QStringLiteral("--json")}, "{\"a\":1}");
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.out.contains("\"primary\":\"JSON\""));
    EXPECT_TRUE(result.err.contains("[ERROR] [ClipboardClassificationSettings] Failed to decode classification rules: "))
        << result.err.constData();
}

} // namespace

namespace {

TEST_F(ClassifyCliTest, TheWindowOptionNeedsTheRunningAppAndNoText) {
    // No app in the harness's session: a clear refusal, not a classification of nothing.
    const CliResult alone = run({QStringLiteral("--window")}, {});
    EXPECT_EQ(alone.exitCode, 1);
    EXPECT_TRUE(alone.err.contains("Quellpad is not running.")) << alone.err.constData();
    EXPECT_TRUE(alone.out.isEmpty()) << alone.out.constData();
    EXPECT_EQ(run({QStringLiteral("--window"), QStringLiteral("notes.txt")}, {}).exitCode, 2);
}

} // namespace
