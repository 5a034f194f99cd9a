#include <gtest/gtest.h>

#include <set>
#include <string>

#include "search/ClipboardSearchIndexDocument.h"
#include "Core/Utilities/ClipboardSearchText.h"

using namespace quellpad;
using namespace quellpad::ClipboardSearchText;

namespace {

GramSet set(std::initializer_list<const char16_t*> grams) {
    GramSet result;
    for (const char16_t* gram : grams) {
        result.insert(QString::fromUtf16(gram));
    }
    return result;
}

} // namespace

TEST(NormalizeSearchText, FoldsCaseAndDiacriticsCollapsesWhitespaceKeepsWidth) {
    struct Case {
        const char16_t* input;
        const char16_t* expected;
    };
    const Case cases[] = {
        {u"  Hello\tWORLD \n", u"hello world"},
        {u"Caf\u00E9 cr\u00E8me", u"cafe creme"},
        {u"Cafe\u0301", u"cafe"},                       // decomposed accent
        {u"\uFF21\uFF22\uFF23", u"\uFF41\uFF42\uFF43"}, // full-width letters keep their width
        {u"Stra\u00DFe", u"strasse"},                   // full case folding
        {u"\u00C5ngstr\u00F6m", u"angstrom"},
        {u"a\u00A0b\u3000c\u2028d\u0085e", u"a b c d e"}, // Unicode white space
        {u"\u4E2D\u6587 \u6D4B\u8BD5", u"\u4E2D\u6587 \u6D4B\u8BD5"},
        {u"\u0391\u0392\u0393", u"\u03B1\u03B2\u03B3"}, // Greek
        {u"\uD55C\uAD6D\uC5B4", u"\uD55C\uAD6D\uC5B4"}, // Hangul survives decomposition
        {u"", u""},
        {u" \t\r\n ", u""},
        {u"x\r\ny", u"x y"},
    };
    for (const Case& c : cases) {
        const QString input = QString::fromUtf16(c.input);
        EXPECT_EQ(normalizeSearchText(input), QString::fromUtf16(c.expected)) << input.toStdString();
        // Idempotent: queries are normalised again after parsing.
        EXPECT_EQ(normalizeSearchText(normalizeSearchText(input)), normalizeSearchText(input));
    }
}

TEST(NormalizeSearchText, LoneSurrogatesBecomeReplacementCharacters) {
    QString text = QStringLiteral("ab");
    text.insert(1, QChar(0xD800));
    text.append(QChar(0xDC00));
    EXPECT_EQ(normalizeSearchText(text), QString::fromUtf16(u"a\uFFFDb\uFFFD"));
}

TEST(CompactSearchText, RemovesOnlySpaces) {
    EXPECT_EQ(compactSearchText(normalizeSearchText(QStringLiteral("  Foo\tBar \n"))), QStringLiteral("foobar"));
    EXPECT_EQ(compactSearchText(u"a-b_c d"), QStringLiteral("a-b_cd"));
}

TEST(PinyinForms, HanCharactersOnlyAmongTheFirstHundred) {
    EXPECT_EQ(pinyinForms(u"\u4E2D\u6587"), (PinyinForms{QStringLiteral("zhongwen"), QStringLiteral("zhong wen")}));
    EXPECT_EQ(pinyinForms(u"abc \u4E2D-\u6587!"),
              (PinyinForms{QStringLiteral("zhongwen"), QStringLiteral("zhong wen")}));
    EXPECT_EQ(pinyinForms(u"plain text"), PinyinForms{});
    EXPECT_EQ(pinyinForms(u""), PinyinForms{});
    // Katakana and Hangul are not Han.
    EXPECT_EQ(pinyinForms(u"\u30AB\uD55C"), PinyinForms{});

    // Position 100 is still romanised, 101 is not; a family emoji counts as one character.
    QString text = QString(98, QLatin1Char('x')) + QString::fromUtf16(u"\U0001F468\u200D\U0001F469\u200D\U0001F467");
    text += QString::fromUtf16(u"\u4E2D\u6587");
    EXPECT_EQ(pinyinForms(text).compact, QStringLiteral("zhong"));
    EXPECT_EQ(pinyinForms(text).spaced, QStringLiteral("zhong"));
}

TEST(PinyinForms, SupplementaryPlaneHan) {
    // U+20BB7 (a variant of 吉) lies in the extension B range.
    const PinyinForms forms = pinyinForms(QString::fromUtf16(u"\U00020BB7"));
    EXPECT_FALSE(forms.compact.contains(QChar(0xD842)));
    EXPECT_EQ(forms.compact, forms.spaced);
}

TEST(SearchGrams, RunsOfCharactersForEachSize) {
    EXPECT_EQ(searchGrams(u"abcd", {2, 3}), set({u"ab", u"bc", u"cd", u"abc", u"bcd"}));
    EXPECT_EQ(searchGrams(u"aaaa", {2}), set({u"aa"}));
    EXPECT_EQ(searchGrams(u"a", {2, 3}), GramSet{});
    EXPECT_EQ(searchGrams(u"ab", {2, 3}), set({u"ab"}));
    EXPECT_EQ(searchGrams(u"", {2, 3}), GramSet{});
    // Grapheme clusters, not code units: e + combining acute is one character.
    EXPECT_EQ(searchGrams(u"e\u0301xy", {2}), set({u"e\u0301x", u"xy"}));
    EXPECT_EQ(searchGrams(u"\u4E2D\u6587\u5B57", {2}), set({u"\u4E2D\u6587", u"\u6587\u5B57"}));
}

TEST(SearchGrams, QueryGramsAreBigramsOnlyForTwoCharacters) {
    EXPECT_EQ(queryGrams(u"a"), GramSet{});
    EXPECT_EQ(queryGrams(u"ab"), set({u"ab"}));
    EXPECT_EQ(queryGrams(u"abcd"), set({u"abc", u"bcd"}));
    EXPECT_EQ(documentGrams(u"abc", u"zh"), set({u"ab", u"bc", u"abc", u"zh"}));
}

namespace {

ClipboardSearchSourceDocument source(const QString& text, ClipboardContentType type = ClipboardContentType::text) {
    ClipboardSearchSourceDocument document;
    document.id = QStringLiteral("ID-1");
    document.preview = QStringLiteral("preview");
    document.searchableText = text;
    document.createdAt = QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC);
    document.contentType = type;
    document.bundleIdentifier = QStringLiteral("org.example.App");
    document.classification = QStringLiteral("JSON");
    return document;
}

} // namespace

TEST(ClipboardSearchIndexDocument, TruncatesAtTheLimitOfItsContentType) {
    const ClipboardSearchIndexConfiguration configuration;
    const ClipboardSearchIndexDocument longText = ClipboardSearchIndexDocument::make(
        source(QString(10'000, QLatin1Char('a'))), configuration);
    EXPECT_TRUE(longText.isTruncated);
    EXPECT_EQ(longText.normalizedText.size(), 8192);

    const ClipboardSearchIndexDocument exact =
        ClipboardSearchIndexDocument::make(source(QString(8192, QLatin1Char('a'))), configuration);
    EXPECT_FALSE(exact.isTruncated);

    const ClipboardSearchIndexDocument image = ClipboardSearchIndexDocument::make(
        source(QString(5000, QLatin1Char('b')), ClipboardContentType::image), configuration);
    EXPECT_TRUE(image.isTruncated);
    EXPECT_EQ(image.normalizedText.size(), 4096);

    // Emoji sequences are never cut in the middle.
    QString emoji;
    for (int i = 0; i < 3; ++i) {
        emoji += QString::fromUtf16(u"\U0001F469\u200D\U0001F4BB");
    }
    ClipboardSearchIndexConfiguration small;
    small.textCharacterLimit = 2;
    const ClipboardSearchIndexDocument cut = ClipboardSearchIndexDocument::make(source(emoji), small);
    EXPECT_TRUE(cut.isTruncated);
    EXPECT_EQ(cut.normalizedText, emoji.left(emoji.size() / 3 * 2));
}

TEST(ClipboardSearchIndexDocument, TextFormsAndPinyinSwitch) {
    ClipboardSearchIndexConfiguration configuration;
    const ClipboardSearchIndexDocument off =
        ClipboardSearchIndexDocument::make(source(QString::fromUtf16(u"  Hello\t\u4E2D\u6587 \n")), configuration);
    EXPECT_EQ(off.normalizedText, QString::fromUtf16(u"hello \u4E2D\u6587"));
    EXPECT_EQ(off.compactText, QString::fromUtf16(u"hello\u4E2D\u6587"));
    EXPECT_TRUE(off.pinyinSpaced.isEmpty());
    EXPECT_TRUE(off.pinyinCompact.isEmpty());
    EXPECT_EQ(off.classification, QStringLiteral("JSON"));
    EXPECT_EQ(off.bundleIdentifier, QStringLiteral("org.example.App"));

    configuration.isPinyinIndexEnabled = true;
    const ClipboardSearchIndexDocument on =
        ClipboardSearchIndexDocument::make(source(QString::fromUtf16(u"Hello \u4E2D\u6587")), configuration);
    EXPECT_EQ(on.pinyinCompact, QStringLiteral("zhongwen"));
    EXPECT_EQ(on.pinyinSpaced, QStringLiteral("zhong wen"));
}

TEST(ClipboardSearchIndexDocument, SortDateAndCount) {
    const ClipboardSearchIndexConfiguration configuration;
    ClipboardSearchSourceDocument used = source(QStringLiteral("x"));
    used.lastAccessedAt = used.createdAt.addSecs(60);
    used.accessCount = 3;
    EXPECT_EQ(ClipboardSearchIndexDocument::make(used, configuration).sortAt, *used.lastAccessedAt);
    EXPECT_EQ(ClipboardSearchIndexDocument::make(used, configuration).accessCount, 3);

    ClipboardSearchSourceDocument odd = source(QStringLiteral("x"));
    odd.lastAccessedAt = odd.createdAt.addSecs(-60);
    odd.accessCount = -4;
    const ClipboardSearchIndexDocument document = ClipboardSearchIndexDocument::make(odd, configuration);
    EXPECT_EQ(document.sortAt, odd.createdAt);
    EXPECT_EQ(document.lastAccessedAt, odd.lastAccessedAt);
    EXPECT_EQ(document.accessCount, 0);
}

TEST(SearchGrams, Utf8FormIsTheSameSet) {
    const char16_t* texts[] = {u"hello", u"a", u"ab", u"\u4E2D\u6587\u5B57\u7B26", u"x\U0001F468\u200D\U0001F469y",
                               u"\uD55C\uAD6D\uC5B4", u"caf\u00E9\u00E9\u00E9", u"a\u20DDbc", u"\U00020BB7\U00020BB7z"};
    for (const char16_t* text : texts) {
        const QString compact = QString::fromUtf16(text);
        for (const QString& pinyin : {QString(), QStringLiteral("zhongwen")}) {
            std::set<std::string> expected;
            for (const QString& gram : documentGrams(compact, pinyin)) {
                expected.insert(gram.toUtf8().toStdString());
            }
            Utf8Grams utf8;
            documentGramsUtf8(compact, pinyin, utf8);
            const std::set<std::string> actual(utf8.grams.begin(), utf8.grams.end());
            EXPECT_EQ(actual, expected) << compact.toStdString();
            EXPECT_EQ(utf8.grams.size(), expected.size()) << "repeats in " << compact.toStdString();
            EXPECT_TRUE(std::is_sorted(utf8.grams.begin(), utf8.grams.end()));
        }
    }
}

TEST(SearchGrams, Utf8FormOfPlainAsciiKeepsByteOrder) {
    Utf8Grams utf8;
    documentGramsUtf8(u"abab~\x01z", u"zhongwen", utf8);
    std::set<std::string> expected;
    for (const QString& gram : documentGrams(u"abab~\x01z", u"zhongwen")) {
        expected.insert(gram.toStdString());
    }
    EXPECT_EQ(std::set<std::string>(utf8.grams.begin(), utf8.grams.end()), expected);
    EXPECT_EQ(utf8.grams.size(), expected.size());
    EXPECT_TRUE(std::is_sorted(utf8.grams.begin(), utf8.grams.end()));
}
