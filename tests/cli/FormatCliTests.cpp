// `quellpad format` run as a user would, including a real terminal for --highlight.
#include <gtest/gtest.h>

#include "support/CliHarness.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "settings/PreferenceKeys.h"
#include "platform/linux/JsonFileDefaultsStore.h"

using namespace quellpad;

namespace {

using test::CliResult;

class FormatCliTest : public ::testing::Test {
protected:
    test::CliHarness cli;

    QProcessEnvironment environment() const { return cli.environment(); }
    // Through standard input, as scripts pipe text in.
    CliResult run(const QStringList& arguments, const QByteArray& input) const {
        return cli.spawn(QStringList{QStringLiteral("format")} + arguments, input);
    }
};

TEST_F(FormatCliTest, ChoosesTheFormatterFromTheClassification) {
    const CliResult json = run({}, R"({"id":18446744073709551615,"path":"a/b","list":[]})");
    EXPECT_EQ(json.exitCode, 0) << json.err.constData();
    EXPECT_EQ(json.out, "{\n  \"id\" : 18446744073709551615,\n  \"path\" : \"a\\/b\",\n  \"list\" : []\n}\n");
    EXPECT_TRUE(json.err.isEmpty());

    const CliResult lines = run({}, "{\"a\":1}\n\n[2]\n");
    EXPECT_EQ(lines.out, "{\n  \"a\" : 1\n}\n\n[\n  2\n]\n");

    const CliResult sql = run({}, "select a from t where x = 1;");
    EXPECT_EQ(sql.out, "select a\nfrom t\nwhere x = 1;\n");
}

TEST_F(FormatCliTest, ExplicitKindOverridesDetection) {
    const CliResult sql = run({QStringLiteral("--as"), QStringLiteral("sql")}, "select 1 from t");
    EXPECT_EQ(sql.exitCode, 0);
    EXPECT_EQ(sql.out, "select 1\nfrom t\n");
    const CliResult jsonl = run({QStringLiteral("--as=jsonl")}, "[1]\nnot json");
    EXPECT_EQ(jsonl.out, "[\n  1\n]\n\nnot json\n");
    const CliResult unknown = run({QStringLiteral("--as"), QStringLiteral("yaml")}, "a: 1");
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_TRUE(unknown.err.contains("yaml"));
}

TEST_F(FormatCliTest, FailuresGoToStandardErrorWithStatusOne) {
    const CliResult prose = run({}, "# Just a heading");
    EXPECT_EQ(prose.exitCode, 1);
    EXPECT_TRUE(prose.out.isEmpty());
    EXPECT_EQ(prose.err, "Only JSON, JSON Lines and SQL can be formatted; this text is classified as Markdown.\n");

    const CliResult broken = run({QStringLiteral("--as"), QStringLiteral("json")}, "{\"a\":");
    EXPECT_EQ(broken.exitCode, 1);
    EXPECT_TRUE(broken.out.isEmpty());
    EXPECT_TRUE(broken.err.startsWith("Formatting failed: The text is not valid JSON: ")) << broken.err.constData();
    EXPECT_EQ(broken.err.count('\n'), 1);

    QByteArray deep(100'000, '[');
    deep.append(QByteArray(100'000, ']'));
    const CliResult nested = run({QStringLiteral("--as"), QStringLiteral("json")}, deep);
    EXPECT_EQ(nested.exitCode, 1);
    EXPECT_EQ(nested.err, "Formatting failed: The JSON text nests arrays and objects more than 512 levels deep.\n");

    const CliResult invalid = run({}, QByteArray("[\"\xc3\x28\"]"));
    EXPECT_EQ(invalid.exitCode, 1);
    EXPECT_EQ(invalid.err, "The input is not valid UTF-8 text.\n");
}

TEST_F(FormatCliTest, DisabledDetectorsMakeTextUnformattable) {
    {
        JsonFileDefaultsStore defaults(cli.home() + QStringLiteral("/config/Quellpad/settings.json"));
        defaults.set(PreferenceKeys::enabledSystemClassifications, QStringList{QStringLiteral("sql")});
    }
    const CliResult json = run({}, "[1]");
    EXPECT_EQ(json.exitCode, 1);
    EXPECT_TRUE(json.err.contains("classified as Text"));
}

TEST_F(FormatCliTest, HighlightColoursOnlyOnATerminal) {
    const CliResult piped = run({QStringLiteral("--highlight")}, "[true]");
    EXPECT_EQ(piped.out, "[\n  true\n]\n");

    if (!QFile::exists(QStringLiteral("/usr/bin/script"))) {
        GTEST_SKIP() << "no script(1) to provide a terminal";
    }
    const QString input = cli.home() + QStringLiteral("/in.sql");
    QFile file(input);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("select 'x' from t");
    file.close();
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(QStringLiteral("/usr/bin/script"),
                  {QStringLiteral("-qec"),
                   QStringLiteral("%1 format --highlight %2").arg(QStringLiteral(QUELLPAD_CLI_PATH), input),
                   QStringLiteral("/dev/null")});
    process.closeWriteChannel();
    ASSERT_TRUE(process.waitForFinished(60000));
    const QByteArray out = process.readAllStandardOutput();
    if (process.exitCode() != 0 && (out + process.readAllStandardError()).contains("pseudo-terminal")) {
        GTEST_SKIP() << "no pseudo-terminal available";
    }
    EXPECT_TRUE(out.contains("\x1b[34mselect\x1b[0m")) << out.toStdString();
    EXPECT_TRUE(out.contains("\x1b[32m'x'\x1b[0m")) << out.toStdString();
}

} // namespace
