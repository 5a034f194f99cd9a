// Hand-written scanners stand in for a few ICU constructs where the backtracking
// engine is quadratic or runs out of stack on large texts. These tests hold them to
// ICU's own answers.
#include <random>

#include <gtest/gtest.h>

#include "classification/ClipboardSystemClassificationDetectors.h"
#include "classification/IcuRegex.h"
#include "classification/TextScanning.h"

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
