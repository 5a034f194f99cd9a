#include <gtest/gtest.h>

#include "formatting/FormattingError.h"
#include "formatting/JSONLinesSyntaxHighlighter.h"
#include "formatting/JSONSyntaxHighlighter.h"

using namespace quellpad;
using Role = SyntaxColorRole;

namespace {

QString formatJSON(const QString& text) { return JSONSyntaxHighlighter().format(text); }

FormattingError::Kind formatFailure(const QString& text) {
    try {
        formatJSON(text);
    } catch (const FormattingError& error) {
        return error.kind();
    }
    ADD_FAILURE() << "formatting succeeded for " << text.left(60).toStdString();
    return FormattingError::Kind::encodingFailure;
}

// The role of every UTF-16 unit, '.' for none, for compact expectations.
QString roleMap(const StyledText& styled) {
    QString map(styled.text.size(), QLatin1Char('.'));
    static const char letters[] = "kpsncubt"; // keyword property string number comment punctuation bracket text
    for (const SyntaxColorRun& run : styled.runs) {
        for (qsizetype i = run.start; i < run.start + run.length; ++i) {
            map[i] = QLatin1Char(letters[static_cast<int>(run.role)]);
        }
    }
    return map;
}

TEST(JSONFormat, PrettyPrintShape) {
    EXPECT_EQ(formatJSON(QStringLiteral("[1,2]")), QStringLiteral("[\n  1,\n  2\n]"));
    EXPECT_EQ(formatJSON(QStringLiteral(" {\"b\":{\"url\":\"https://a/b\"},\"a\":[true,null,{}],\"c\":[]} ")),
              QStringLiteral("{\n  \"b\" : {\n    \"url\" : \"https:\\/\\/a\\/b\"\n  },\n  \"a\" : [\n    true,\n"
                             "    null,\n    {}\n  ],\n  \"c\" : []\n}"));
}

TEST(JSONFormat, KeepsKeyOrderRepeatedKeysAndEveryDigit) {
    EXPECT_EQ(formatJSON(QStringLiteral("{\"z\":1,\"a\":2,\"z\":3}")),
              QStringLiteral("{\n  \"z\" : 1,\n  \"a\" : 2,\n  \"z\" : 3\n}"));
    const char* numbers[] = {"9007199254740993", "-9223372036854775808", "18446744073709551615",
                             "123456789012345678901234567890", "1.50", "1E5", "-0.0", "6.02214076e23", "0.1"};
    for (const char* number : numbers) {
        const QString expected = QStringLiteral("[\n  %1\n]").arg(QLatin1String(number));
        EXPECT_EQ(formatJSON(QStringLiteral("[%1]").arg(QLatin1String(number))), expected) << number;
    }
}

TEST(JSONFormat, EscapesAndUnicode) {
    EXPECT_EQ(formatJSON(QStringLiteral("[\"a\\\"b\\\\c\\u0001\\n\\t\\u00e9\\ud83d\\ude00中\"]")),
              QStringLiteral("[\n  \"a\\\"b\\\\c\\u0001\\n\\té😀中\"\n]"));
}

TEST(JSONFormat, FailuresAreTyped) {
    EXPECT_EQ(formatFailure(QStringLiteral("42")), FormattingError::Kind::notContainer);
    EXPECT_EQ(formatFailure(QStringLiteral("\"text\"")), FormattingError::Kind::notContainer);
    EXPECT_EQ(formatFailure(QStringLiteral("{\"a\":}")), FormattingError::Kind::invalidJSON);
    EXPECT_EQ(formatFailure(QStringLiteral("[1] [2]")), FormattingError::Kind::invalidJSON);
    EXPECT_EQ(formatFailure(QStringLiteral("[1e400]")), FormattingError::Kind::invalidJSON);
    EXPECT_EQ(formatFailure(QString()), FormattingError::Kind::invalidJSON);
    // The parser stops at a NUL as at the end: what follows would be dropped.
    EXPECT_EQ(formatFailure(QStringLiteral("{\"a\":1}") + QChar(0) + QStringLiteral("DROP")), FormattingError::Kind::invalidJSON);
    QString lone = QStringLiteral("[\"");
    lone.append(QChar(0xD800));
    lone.append(QStringLiteral("\"]"));
    EXPECT_EQ(formatFailure(lone), FormattingError::Kind::invalidEncoding);
    try {
        formatJSON(QStringLiteral("{\"a\" 1}"));
    } catch (const FormattingError& error) {
        EXPECT_TRUE(error.description().contains(QStringLiteral("parse error"))) << error.description().toStdString();
    }
    EXPECT_EQ(FormattingError(FormattingError::Kind::invalidEncoding).description(), QStringLiteral("Invalid text encoding"));
    EXPECT_EQ(FormattingError(FormattingError::Kind::encodingFailure).description(),
              QStringLiteral("Failed to encode formatted output"));
}

TEST(JSONFormat, DeepNestingIsRefusedWithoutCrashing) {
    auto nested = [](int depth) { return QString(depth, QLatin1Char('[')) + QString(depth, QLatin1Char(']')); };
    EXPECT_TRUE(formatJSON(nested(512)).startsWith(QStringLiteral("[\n  [\n    [")));
    EXPECT_EQ(formatFailure(nested(513)), FormattingError::Kind::nestingTooDeep);
    EXPECT_EQ(formatFailure(nested(100'000)), FormattingError::Kind::nestingTooDeep);
    EXPECT_EQ(FormattingError(FormattingError::Kind::nestingTooDeep, QStringLiteral("512")).description(),
              QStringLiteral("The JSON text nests arrays and objects more than 512 levels deep."));
    EXPECT_EQ(formatFailure(QString(100'000, QLatin1Char('{'))), FormattingError::Kind::invalidJSON);
}

TEST(JSONFormat, OutputIsBounded) {
    // 500 levels deep, each element is indented by 1000 spaces: a small input whose
    // pretty form would exceed the output limit.
    QString text(500, QLatin1Char('['));
    for (int i = 0; i < 140'000; ++i) {
        text.append(QStringLiteral("0,"));
    }
    text.append(QLatin1Char('0'));
    text.append(QString(500, QLatin1Char(']')));
    EXPECT_EQ(formatFailure(text), FormattingError::Kind::outputTooLarge);
}

TEST(JSONHighlight, StepsOverrideInOrder) {
    const JSONSyntaxHighlighter highlighter;
    // key in property colour, "1" in string colour, not number
    EXPECT_EQ(roleMap(highlighter.highlight(QStringLiteral("{\"a\":\"1\"}"))), QStringLiteral("bpppusssb"));
    EXPECT_EQ(roleMap(highlighter.highlight(QStringLiteral("[-1.5e3, true,nulls,\"t:rue\" ]"))),
              QStringLiteral("bnnnnnnutkkkkutttttussssssstb"));
    // a key may be followed by white space before the colon; an escaped quote stays inside
    EXPECT_EQ(roleMap(highlighter.highlight(QStringLiteral("{\"a\\\"b\" \n: 0}"))), QStringLiteral("bppppppttutnb"));
    EXPECT_EQ(highlighter.highlight(QStringLiteral("x")).theme, SyntaxColorTheme::soft());
}

TEST(JSONHighlight, RangesAreUTF16OverEmojiAndCJK) {
    const QString text = QStringLiteral("{\"😀键\":\"值👍🏽\",\"n\":12}");
    const StyledText styled = JSONSyntaxHighlighter().highlight(text);
    EXPECT_EQ(styled.text, text);
    // "😀键" is 3 UTF-16 units plus two quotes; "值👍🏽" is 5 units plus quotes.
    EXPECT_EQ(roleMap(styled), QStringLiteral("bpppppusssssssupppunnb"));
    ASSERT_GE(styled.runs.size(), 2u);
    EXPECT_EQ(styled.runs[1], (SyntaxColorRun{1, 5, Role::property}));
}

TEST(JSONHighlight, LongStringsAreColouredWhole) {
    const QString value(2'000'000, QLatin1Char('x'));
    const StyledText styled = JSONSyntaxHighlighter().highlight(QStringLiteral("[\"") + value + QStringLiteral("\"]"));
    ASSERT_EQ(styled.runs.size(), 3u);
    EXPECT_EQ(styled.runs[1], (SyntaxColorRun{1, value.size() + 2, Role::string}));
}

TEST(JSONLines, FormatJoinsBlocksWithOneBlankLine) {
    const JSONLinesSyntaxHighlighter highlighter;
    EXPECT_EQ(highlighter.format(QStringLiteral("{\"a\":1}\n\n  not json  \r\n[2]\n")),
              QStringLiteral("{\n  \"a\" : 1\n}\n\nnot json\n\n[\n  2\n]"));
    EXPECT_EQ(highlighter.format(QStringLiteral("\n \n")), QString());
    EXPECT_EQ(highlighter.format(QStringLiteral("{\"a\":1}\u2028{\"b\":2}")),
              QStringLiteral("{\n  \"a\" : 1\n}\n\n{\n  \"b\" : 2\n}"));
}

TEST(JSONLines, HighlightKeepsLinesAndDropsTheFinalNewline) {
    const JSONLinesSyntaxHighlighter highlighter;
    const StyledText styled = highlighter.highlight(QStringLiteral("{\"a\":1}\n   \n[2]\n"));
    EXPECT_EQ(styled.text, QStringLiteral("{\"a\":1}\n\n[2]"));
    EXPECT_EQ(roleMap(styled), QStringLiteral("bpppunb..bnb"));
    EXPECT_EQ(highlighter.highlight(QString()).text, QString());
    EXPECT_EQ(highlighter.highlight(QStringLiteral("\n")).text, QString());
    const StyledText spaced = highlighter.highlight(QStringLiteral(" [1] \r\n[2]"));
    EXPECT_EQ(spaced.text, QStringLiteral(" [1] \n[2]"));
    EXPECT_EQ(roleMap(spaced), QStringLiteral("tbnbt.bnb"));
}

TEST(JSONLines, FormatAndHighlightFormatsFirst) {
    const StyledText styled = JSONLinesSyntaxHighlighter().formatAndHighlight(QStringLiteral("[1]\n[2]"));
    EXPECT_EQ(styled.text, QStringLiteral("[\n  1\n]\n\n[\n  2\n]"));
}

} // namespace
