// The linear token scanners and the SQL clause breaker must find exactly what ICU's
// engine finds for the patterns they replace. Random texts over small alphabets hit
// the corner cases (escapes before line breaks, unterminated strings, nested stars).
#include <random>

#include <gtest/gtest.h>
#include <unicode/regex.h>

#include "Core/Utilities/IcuRegex.h"
#include "formatting/SQLSyntaxHighlighter.h"
#include "formatting/SyntaxTokenScanners.h"

using namespace quellpad;

namespace {

using Ranges = std::vector<std::pair<qsizetype, qsizetype>>;

Ranges icuMatches(const QString& pattern, const QString& text) {
    Ranges ranges;
    IcuRegex::compile(pattern)->forEachMatch(text, [&](const IcuRegex::Match& m, const std::optional<IcuRegex::Match>&) {
        ranges.emplace_back(m.start, m.end);
        return true;
    });
    return ranges;
}

QString randomText(std::mt19937& random, const QStringList& alphabet, int maxLength) {
    std::uniform_int_distribution<int> length(0, maxLength);
    std::uniform_int_distribution<int> pick(0, static_cast<int>(alphabet.size()) - 1);
    QString text;
    for (int i = length(random); i > 0; --i) {
        text.append(alphabet[pick(random)]);
    }
    return text;
}

template <typename Scan>
void compare(const QString& pattern, const QStringList& alphabet, Scan scan, int rounds = 40'000) {
    std::mt19937 random(11);
    int withMatches = 0;
    for (int round = 0; round < rounds; ++round) {
        const QString text = randomText(random, alphabet, 14);
        Ranges ours;
        scan(text, [&](qsizetype start, qsizetype end) { ours.emplace_back(start, end); });
        const Ranges expected = icuMatches(pattern, text);
        withMatches += expected.empty() ? 0 : 1;
        ASSERT_EQ(ours, expected) << pattern.toStdString() << " on " << text.toStdString();
    }
    EXPECT_GT(withMatches, rounds / 50); // the alphabet does produce matches
}

const QStringList stringAlphabet{QStringLiteral("\""), QStringLiteral("\\"), QStringLiteral("a"), QStringLiteral(":"),
                                 QStringLiteral(" "), QStringLiteral("\n"), QStringLiteral("\u2028"),
                                 QStringLiteral("\u00a0"), QStringLiteral("😀"), QStringLiteral("'")};

TEST(ScannerEquivalence, DoubleQuotedStrings) {
    compare(QStringLiteral("\"(?:\\\\.|[^\"\\\\])*\""), stringAlphabet,
            [](const QString& t, const SyntaxTokenScanners::Visitor& v) { SyntaxTokenScanners::forEachQuotedString(t, u'"', v); });
}

TEST(ScannerEquivalence, SingleQuotedStrings) {
    compare(QStringLiteral("'([^'\\\\]|\\\\.)*'"), stringAlphabet,
            [](const QString& t, const SyntaxTokenScanners::Visitor& v) { SyntaxTokenScanners::forEachQuotedString(t, u'\'', v); });
}

TEST(ScannerEquivalence, JSONKeys) {
    compare(QStringLiteral("\"(?:\\\\.|[^\"\\\\])*\"(?=\\s*:)"), stringAlphabet,
            [](const QString& t, const SyntaxTokenScanners::Visitor& v) { SyntaxTokenScanners::forEachJSONKey(t, v); });
}

TEST(ScannerEquivalence, BlockComments) {
    const QStringList alphabet{QStringLiteral("/"), QStringLiteral("*"), QStringLiteral("a"), QStringLiteral("\n")};
    compare(QStringLiteral("/\\*[^*]*\\*+([^/*][^*]*\\*+)*/"), alphabet,
            [](const QString& t, const SyntaxTokenScanners::Visitor& v) { SyntaxTokenScanners::forEachBlockComment(t, v); });
}

// Reference formatting for code without quotes or comments: the clause patterns as
// replace-all passes, then the three clean-up replacements, all by ICU. The one
// intended difference (a multi-word keyword is not split again by a later pattern)
// is avoided by leaving JOIN and FROM phrases out of the alphabet's reach.
QString referenceFormat(const QString& text) {
    auto replaceAll = [](const QString& input, const char* pattern, const char* replacement) {
        UErrorCode status = U_ZERO_ERROR;
        UParseError error;
        icu::RegexMatcher matcher(icu::UnicodeString::fromUTF8(pattern), 0, status);
        const icu::UnicodeString source(reinterpret_cast<const UChar*>(input.utf16()), static_cast<int32_t>(input.size()));
        matcher.reset(source);
        const icu::UnicodeString result = matcher.replaceAll(icu::UnicodeString::fromUTF8(replacement), status);
        (void)error;
        return QString(reinterpret_cast<const QChar*>(result.getBuffer()), result.length());
    };
    QString output = text;
    for (const QString& pattern : SQLSyntaxHighlighter::defaultClausePatterns()) {
        output = replaceAll(output, pattern.toUtf8().constData(), "\n$1");
    }
    if (!text.startsWith(QLatin1Char('\n')) && !text.startsWith(QLatin1Char('\r'))) {
        UErrorCode status = U_ZERO_ERROR;
        icu::RegexMatcher matcher(icu::UnicodeString::fromUTF8("^[ \\t]*\\n"), 0, status);
        const icu::UnicodeString source(reinterpret_cast<const UChar*>(output.utf16()), static_cast<int32_t>(output.size()));
        matcher.reset(source);
        const icu::UnicodeString result = matcher.replaceFirst(icu::UnicodeString(), status);
        output = QString(reinterpret_cast<const QChar*>(result.getBuffer()), result.length());
    }
    output = replaceAll(output, "[ \\t]+\\n", "\n");
    output = replaceAll(output, "\\n{3,}", "\n\n");
    return output;
}

TEST(ScannerEquivalence, SQLClauseBreakingOutsideQuotes) {
    const QStringList alphabet{QStringLiteral(" "),      QStringLiteral("\t"),    QStringLiteral("\n"),
                               QStringLiteral("x"),      QStringLiteral("FROM"),  QStringLiteral("where"),
                               QStringLiteral("Union"),  QStringLiteral(" all"),  QStringLiteral("GROUP"),
                               QStringLiteral("by"),     QStringLiteral("on"),    QStringLiteral("_"),
                               QStringLiteral("1"),      QStringLiteral("\u00e9")};
    const SQLSyntaxHighlighter highlighter;
    std::mt19937 random(5);
    int changed = 0;
    for (int round = 0; round < 20'000; ++round) {
        const QString text = randomText(random, alphabet, 12);
        const QString expected = referenceFormat(text);
        changed += expected != text ? 1 : 0;
        ASSERT_EQ(highlighter.format(text), expected) << text.toStdString();
    }
    EXPECT_GT(changed, 1000);
}

} // namespace
