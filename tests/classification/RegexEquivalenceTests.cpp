// Hand-written scanners stand in for a few ICU constructs where the backtracking
// engine is quadratic or runs out of stack on large texts. These tests hold them to
// ICU's own answers.
#include <random>

#include <gtest/gtest.h>

#include "classification/ClipboardSystemClassificationDetectors.h"
#include "Core/Utilities/IcuRegex.h"
#include "Core/Utilities/TextScanning.h"

using namespace quellpad;

namespace {

QString codePointString(char32_t c) {
    const char32_t units[] = {c};
    return QString::fromUcs4(units, 1);
}

TEST(RegexEquivalence, CharacterClassesAgreeWithICUForEveryCodePoint) {
    const auto space = IcuRegex::compile(QStringLiteral("^\\s$"));
    const auto dot = IcuRegex::compile(QStringLiteral("^.$"));
    ASSERT_TRUE(space && dot);
    for (char32_t c = 0; c <= 0x10FFFF; c += (c < 0x3000 ? 1 : 97)) {
        if (c >= 0xD800 && c <= 0xDFFF) {
            continue;
        }
        const QString s = codePointString(c);
        EXPECT_EQ(TextScanning::isRegexSpace(c), space->search(s) == IcuRegex::Outcome::match) << std::hex << static_cast<uint32_t>(c);
        EXPECT_EQ(TextScanning::isLineTerminator(c), dot->search(s) == IcuRegex::Outcome::noMatch) << std::hex << static_cast<uint32_t>(c);
    }
}

TEST(RegexEquivalence, MarkdownLinkScannerAgreesWithThePattern) {
    const auto pattern = IcuRegex::compile(QStringLiteral("\\[[^\\]]+\\]\\([^)]+\\)"));
    ASSERT_TRUE(pattern);
    const QString alphabet = QStringLiteral("[]()a \n");
    std::mt19937 random(7);
    std::uniform_int_distribution<int> length(0, 12);
    std::uniform_int_distribution<int> pick(0, static_cast<int>(alphabet.size()) - 1);
    int matches = 0;
    for (int round = 0; round < 50'000; ++round) {
        QString text;
        for (int i = length(random); i > 0; --i) {
            text.append(alphabet[pick(random)]);
        }
        const bool expected = pattern->search(text) == IcuRegex::Outcome::match;
        matches += expected ? 1 : 0;
        ASSERT_EQ(ClipboardClassificationDetectors::containsMarkdownLink(text), expected) << text.toStdString();
    }
    EXPECT_GT(matches, 100); // the alphabet does produce links
}

TEST(RegexEquivalence, LineSplittingKeepsEmptyLinesAndTreatsCRLFAsOne) {
    QStringList lines;
    TextScanning::forEachLine(u"a\r\nb\n\nc\rd\u2028e\u0085", [&](QStringView line) {
        lines.push_back(line.toString());
        return true;
    });
    EXPECT_EQ(lines, (QStringList{QStringLiteral("a"), QStringLiteral("b"), QString(), QStringLiteral("c"),
                                  QStringLiteral("d"), QStringLiteral("e")}));
    lines.clear();
    TextScanning::forEachLine(u"\n", [&](QStringView line) {
        lines.push_back(line.toString());
        return true;
    });
    EXPECT_EQ(lines, QStringList{QString()});
}

} // namespace

namespace {

// The Markdown detector checks cheap hints before each pattern; with the hints it must
// answer exactly as the six patterns do on their own.
TEST(RegexEquivalence, MarkdownDetectorAgreesWithItsSixPatterns) {
    QStringList patterns{QStringLiteral("(?m)^#{1,6}\\s+\\S+"), QStringLiteral("(?m)^[-*+]\\s+\\S+"),
                         QStringLiteral("(?m)^\\d+\\.\\s+\\S+"), QStringLiteral("\\[[^\\]]+\\]\\([^)]+\\)"),
                         QStringLiteral("```[\\s\\S]*```"), QStringLiteral("(?m)^>\\s+\\S+")};
    std::vector<std::shared_ptr<const IcuRegex>> compiled;
    for (const QString& pattern : patterns) {
        compiled.push_back(IcuRegex::compile(pattern));
        ASSERT_TRUE(compiled.back());
    }
    const QStringList alphabet{QStringLiteral("#"), QStringLiteral("-"), QStringLiteral("*"), QStringLiteral(">"),
                               QStringLiteral("1"), QStringLiteral("٣"), QStringLiteral("."), QStringLiteral(" "),
                               QStringLiteral("\n"), QStringLiteral("\r"), QStringLiteral("\u2028"),
                               QStringLiteral("`"), QStringLiteral("["), QStringLiteral("]"), QStringLiteral("("),
                               QStringLiteral(")"), QStringLiteral("a")};
    std::mt19937 random(3);
    std::uniform_int_distribution<int> length(1, 10);
    std::uniform_int_distribution<int> pick(0, static_cast<int>(alphabet.size()) - 1);
    int matches = 0;
    for (int round = 0; round < 40'000; ++round) {
        QString text;
        for (int i = length(random); i > 0; --i) {
            text.append(alphabet[pick(random)]);
        }
        const bool expected = std::any_of(compiled.begin(), compiled.end(), [&](const auto& regex) {
            return regex->search(text) == IcuRegex::Outcome::match;
        });
        matches += expected ? 1 : 0;
        ASSERT_EQ(ClipboardClassificationDetectors::isMarkdown(text), expected) << text.toStdString();
    }
    EXPECT_GT(matches, 1000);
}

// The Base64 detector, written step by step with the patterns and a decode/re-encode
// round trip, as the reference for the one-pass version.
bool referenceBase64(const QString& t) {
    auto matches = [&](const char* pattern, const QString& text) {
        return IcuRegex::compile(QString::fromLatin1(pattern))->search(text) == IcuRegex::Outcome::match;
    };
    if (t.startsWith(QLatin1Char('/')) || t.startsWith(QLatin1String("./")) || t.startsWith(QLatin1String("../")) ||
        t.contains(QLatin1Char(' ')) || t.contains(QLatin1Char('.'))) {
        return false;
    }
    if (t.contains(QLatin1Char('/'))) {
        const QStringList pieces = t.split(QLatin1Char('/'), Qt::SkipEmptyParts);
        if (std::all_of(pieces.begin(), pieces.end(), [&](const QString& p) { return matches("^[A-Za-z0-9]+$", p); })) {
            return false;
        }
    }
    if (t.size() < 12 || !matches("^[A-Za-z0-9+/=_\\-]+$", t)) {
        return false;
    }
    if (t.contains(QLatin1Char('-')) &&
        (t.split(QLatin1Char('-'), Qt::SkipEmptyParts).size() >= 3 || matches("^[a-zA-Z]+-[a-zA-Z0-9]+$", t))) {
        return false;
    }
    if (t.count(QLatin1Char('_')) == 1) {
        const QStringList pieces = t.split(QLatin1Char('_'));
        if (!pieces[0].isEmpty() && !pieces[1].isEmpty()) {
            return false;
        }
    }
    if (matches("^[A-Z]+[0-9]+$", t)) {
        return false;
    }
    if ((!matches("[A-Za-z]", t) || !matches("[0-9]", t)) && t.size() <= 63) {
        return false;
    }
    QString standard = t;
    standard.replace(QLatin1Char('-'), QLatin1Char('+')).replace(QLatin1Char('_'), QLatin1Char('/'));
    QString padded = standard;
    while (padded.size() % 4 != 0) {
        padded.append(QLatin1Char('='));
    }
    const std::optional<QByteArray> decoded = ClipboardClassificationDetectors::decodeStandardBase64(padded);
    if (!decoded) {
        return false;
    }
    QString reencoded = QString::fromLatin1(decoded->toBase64());
    reencoded.remove(QLatin1Char('='));
    standard.remove(QLatin1Char('='));
    return reencoded == standard;
}

TEST(RegexEquivalence, Base64DetectorAgreesWithTheStepByStepReference) {
    const QStringList alphabet{QStringLiteral("A"), QStringLiteral("b"), QStringLiteral("Q"), QStringLiteral("g"),
                               QStringLiteral("K"), QStringLiteral("z"), QStringLiteral("w"), QStringLiteral("0"),
                               QStringLiteral("9"), QStringLiteral("A"), QStringLiteral("b"), QStringLiteral("Q"),
                               QStringLiteral("7"), QStringLiteral("+"), QStringLiteral("/"), QStringLiteral("="),
                               QStringLiteral("-"), QStringLiteral("_"), QStringLiteral("."), QStringLiteral("é")};
    std::mt19937 random(9);
    std::uniform_int_distribution<int> length(10, 20);
    std::uniform_int_distribution<int> pick(0, static_cast<int>(alphabet.size()) - 1);
    int matches = 0;
    for (int round = 0; round < 40'000; ++round) {
        QString text;
        for (int i = length(random); i > 0; --i) {
            text.append(alphabet[pick(random)]);
        }
        const bool expected = referenceBase64(text);
        matches += expected ? 1 : 0;
        ASSERT_EQ(ClipboardClassificationDetectors::isBase64(text), expected) << text.toStdString();
    }
    EXPECT_GT(matches, 400); // both answers occur often
}

} // namespace
