#include <gtest/gtest.h>

#include "formatting/SQLSyntaxHighlighter.h"

using namespace quellpad;

namespace {

QString formatSQL(const QString& text) { return SQLSyntaxHighlighter().format(text); }

QString roleMap(const StyledText& styled) {
    QString map(styled.text.size(), QLatin1Char('.'));
    static const char letters[] = "kpsncubt";
    for (const SyntaxColorRun& run : styled.runs) {
        for (qsizetype i = run.start; i < run.start + run.length; ++i) {
            map[i] = QLatin1Char(letters[static_cast<int>(run.role)]);
        }
    }
    return map;
}

struct FormatCase {
    const char* input;
    const char* expected;
};

void PrintTo(const FormatCase& c, std::ostream* os) { *os << '"' << c.input << '"'; }

class SQLFormatTable : public ::testing::TestWithParam<FormatCase> {};

TEST_P(SQLFormatTable, Formats) {
    EXPECT_EQ(formatSQL(QString::fromUtf8(GetParam().input)), QString::fromUtf8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Clauses, SQLFormatTable,
    ::testing::Values(
        FormatCase{"select a from t where x = 1", "select a\nfrom t\nwhere x = 1"},
        FormatCase{"SELECT 'a FROM b' FROM t", "SELECT 'a FROM b'\nFROM t"},
        FormatCase{"  SELECT a FROM t", "SELECT a\nFROM t"},
        FormatCase{"\n  SELECT a FROM t", "\n\nSELECT a\nFROM t"},
        // Multi-word clause keywords stay together.
        FormatCase{"SELECT a\tFROM t LEFT  JOIN u ON t.id = u.id", "SELECT a\nFROM t\nLEFT  JOIN u\nON t.id = u.id"},
        FormatCase{"select 1 from a inner join b on x delete from c where y",
                   "select 1\nfrom a\ninner join b\non x\ndelete from c\nwhere y"},
        FormatCase{"select * from a union all select * from b", "select *\nfrom a\nunion all\nselect *\nfrom b"},
        FormatCase{"SELECT x FROM t GROUP BY x ORDER\n BY x LIMIT 5 OFFSET 2",
                   "SELECT x\nFROM t\nGROUP BY x\nORDER\n BY x\nLIMIT 5\nOFFSET 2"},
        FormatCase{"SELECT fromage, selected FROM t", "SELECT fromage, selected\nFROM t"},
        FormatCase{"SELECT a\n\n\n\nFROM t", "SELECT a\n\nFROM t"},
        FormatCase{"SELECT a   \nFROM t", "SELECT a\nFROM t"},
        // Every keyword of the single-word clause rule, alone and together.
        FormatCase{"SELECT x, count(*) FROM t GROUP BY x HAVING count(*) > 1",
                   "SELECT x, count(*)\nFROM t\nGROUP BY x\nHAVING count(*) > 1"},
        FormatCase{"WITH r AS (SELECT 1) SELECT * FROM r", "WITH r AS (SELECT 1)\nSELECT *\nFROM r"},
        FormatCase{"insert into t (a) values (1) returning id", "insert into t (a)\nvalues (1)\nreturning id"},
        FormatCase{"UPDATE t SET a = 1 WHERE b = 2", "UPDATE t\nSET a = 1\nWHERE b = 2"},
        FormatCase{"SELECT CASE WHEN a THEN 1 ELSE 2 END FROM t",
                   "SELECT\nCASE\nWHEN a\nTHEN 1\nELSE 2\nEND\nFROM t"},
        FormatCase{"SELECT a FROM t JOIN u ON 1 UNION SELECT b FROM v LIMIT 1 OFFSET 2",
                   "SELECT a\nFROM t\nJOIN u\nON 1\nUNION\nSELECT b\nFROM v\nLIMIT 1\nOFFSET 2"},
        // Keywords are whole words only.
        FormatCase{"SELECT settings, cased, withdrawn, ending FROM t", "SELECT settings, cased, withdrawn, ending\nFROM t"},
        FormatCase{"", ""}));

INSTANTIATE_TEST_SUITE_P(
    QuotesAndComments, SQLFormatTable,
    ::testing::Values(
        FormatCase{"SELECT 'abc FROM t", "SELECT 'abc FROM t"},
        FormatCase{"SELECT 'it''s' FROM t", "SELECT 'it''s'\nFROM t"},
        FormatCase{"SELECT \"a \"\" FROM\" FROM t", "SELECT \"a \"\" FROM\"\nFROM t"},
        FormatCase{"SELECT `x FROM` FROM t", "SELECT `x FROM`\nFROM t"},
        FormatCase{"SELECT [a ]] FROM] FROM t", "SELECT [a ]] FROM]\nFROM t"},
        FormatCase{"SELECT a -- pick FROM here\n FROM t", "SELECT a -- pick FROM here\n\nFROM t"},
        FormatCase{"SELECT /* skip FROM x */ a FROM t", "SELECT /* skip FROM x */ a\nFROM t"},
        FormatCase{"SELECT /*/ FROM t", "SELECT /*/ FROM t"},
        FormatCase{"SELECT a -- note", "SELECT a -- note"},
        // Quoted text is data: its blanks and line breaks are kept exactly.
        FormatCase{"INSERT INTO t VALUES ('a   \n\n\n\nb')", "INSERT INTO t\nVALUES ('a   \n\n\n\nb')"},
        // A Windows line break ends a line comment too.
        FormatCase{"SELECT a -- note\r\nFROM t WHERE b", "SELECT a -- note\r\nFROM t\nWHERE b"},
        // A quote with a combining mark is a different character and opens nothing.
        FormatCase{"SELECT '\xCC\x81 a FROM t", "SELECT '\xCC\x81 a\nFROM t"}));

TEST(SQLFormat, LongBlankRunsAreLinear) {
    const QString blanks(1'000'000, QLatin1Char(' '));
    const QString text = QStringLiteral("SELECT a") + blanks + QStringLiteral("x") + blanks + QStringLiteral("FROM t");
    EXPECT_EQ(formatSQL(text), QStringLiteral("SELECT a") + blanks + QStringLiteral("x\nFROM t"));
}

TEST(SQLHighlight, KeywordsNumbersStringsComments) {
    const SQLSyntaxHighlighter highlighter;
    EXPECT_EQ(roleMap(highlighter.highlight(QStringLiteral("select a from t LIMIT 10"))),
              QStringLiteral("kkkkkk...kkkk...kkkkk.nn"));
    EXPECT_EQ(roleMap(highlighter.highlight(QStringLiteral("x = 'select 1' -- from\n/* and\n or */ 2.5"))),
              QStringLiteral("....ssssssssss.ccccccc.ccccccccccccc.nnn"));
    EXPECT_EQ(roleMap(highlighter.highlight(QStringLiteral("t1 x2 3d 'a\\'b'"))), QStringLiteral(".........ssssss"));
    EXPECT_EQ(highlighter.highlight(QStringLiteral("SELECT")).theme, SyntaxColorTheme::system());
    const QString emoji = QStringLiteral("😀 SELECT '中文' 1");
    EXPECT_EQ(roleMap(highlighter.highlight(emoji)), QStringLiteral("...kkkkkk.ssss.n"));
}

TEST(SQLHighlight, FormatAndHighlight) {
    const StyledText styled = SQLSyntaxHighlighter().formatAndHighlight(QStringLiteral("select 1 from t"));
    EXPECT_EQ(styled.text, QStringLiteral("select 1\nfrom t"));
    EXPECT_EQ(roleMap(styled), QStringLiteral("kkkkkk.n.kkkk.."));
}

TEST(SQLFormat, UnusablePatternsAreSkipped) {
    const SQLSyntaxHighlighter highlighter(SyntaxColorTheme::system(),
                                           {QStringLiteral("(?i)[ \\t]+(FROM"), QStringLiteral("(?i)\\s*(WHERE)\\b")});
    EXPECT_EQ(highlighter.format(QStringLiteral("SELECT a FROM t WHERE b")), QStringLiteral("SELECT a FROM t\nWHERE b"));
}

} // namespace
