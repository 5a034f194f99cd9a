#include <limits>

#include <gtest/gtest.h>

#include "Core/Utilities/Hashing.h"
#include "history/ClipboardHistoryPreview.h"
#include "history/ClipboardHistoryRecords.h"

using namespace quellpad;
namespace P = ClipboardHistoryPreview;

TEST(ClipboardContentType, RawValuesRoundTripAndUnknownIsAbsent) {
    EXPECT_EQ(rawValue(ClipboardContentType::text), QStringLiteral("text"));
    EXPECT_EQ(clipboardContentTypeFromRaw(u"image"), ClipboardContentType::image);
    EXPECT_EQ(clipboardContentTypeFromRaw(u"Image"), std::nullopt);
    EXPECT_EQ(clipboardContentTypeFromRaw(u""), std::nullopt);
}

TEST(MergeUsage, DatesAndCounts) {
    const QDateTime early = QDateTime::fromSecsSinceEpoch(1000, Qt::UTC);
    const QDateTime late = QDateTime::fromSecsSinceEpoch(2000, Qt::UTC);
    constexpr qint64 max = std::numeric_limits<qint64>::max();
    struct Case { ClipboardHistoryUsageMetadata a, b, expected; };
    const std::vector<Case> cases{
        {{std::nullopt, 5}, {late, 3}, {late, 8}},
        {{early, 1}, {late, 1}, {late, 2}},
        {{late, 1}, {early, 1}, {late, 2}},
        {{}, {}, {}},
        {{std::nullopt, max}, {std::nullopt, 1}, {std::nullopt, max}},
        {{std::nullopt, max}, {std::nullopt, max}, {std::nullopt, max}},
        {{std::nullopt, -10}, {std::nullopt, 3}, {std::nullopt, 0}},
        {{std::nullopt, std::numeric_limits<qint64>::min()}, {std::nullopt, -1}, {std::nullopt, 0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(mergeUsage(c.a, c.b), c.expected);
    }
}

TEST(SortDate, LastUseCountsOnlyWhenNotBeforeCreation) {
    const QDateTime created = QDateTime::fromSecsSinceEpoch(1000, Qt::UTC);
    EXPECT_EQ(sortDate(created, std::nullopt), created);
    EXPECT_EQ(sortDate(created, created.addSecs(5)), created.addSecs(5));
    EXPECT_EQ(sortDate(created, created.addSecs(-5)), created);
    EXPECT_EQ(sortDate(created, created), created);
}

TEST(Fingerprints, TextIsPrefixedImageIsNot) {
    EXPECT_EQ(textDuplicateFingerprint(QString()), Hashing::sha256Hex("text"));
    EXPECT_NE(textDuplicateFingerprint(QString()), imageDuplicateFingerprint(QByteArray()));
    EXPECT_EQ(imageDuplicateFingerprint(QByteArray()),
              QStringLiteral("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"));
    EXPECT_EQ(textDuplicateFingerprint(QStringLiteral("é")), Hashing::sha256Hex(QByteArray("text\xc3\xa9")));
    EXPECT_EQ(imageDuplicateFingerprint("text"), textDuplicateFingerprint(QString()))
        << "an image whose bytes are \"text\" hashes like the empty text; the content type tells them apart";
    const QString fingerprint = textDuplicateFingerprint(QStringLiteral("hello"));
    EXPECT_EQ(fingerprint.size(), 64);
    EXPECT_EQ(fingerprint, fingerprint.toLower());
}

struct PreviewCase {
    const char* label;
    QString text;
    std::optional<QString> preview;
};

TEST(TextPreview, Rules) {
    const QString eighty(80, QLatin1Char('a'));
    const QString family = QStringLiteral("\U0001F468\u200D\U0001F469\u200D\U0001F467");
    QString eightyFamilies;
    for (int i = 0; i < 81; ++i) eightyFamilies += family;
    const std::vector<PreviewCase> cases{
        {"no non-empty line", QStringLiteral(" \n\t\n \u3000 "), std::nullopt},
        {"empty", QString(), std::nullopt},
        {"first non-empty line, trimmed", QStringLiteral("\n\n  hello  "), QStringLiteral("hello")},
        {"exactly 80, single line, whole", eighty, eighty},
        {"81 characters are cut with dots", eighty + QStringLiteral("b"), eighty + QStringLiteral("...")},
        {"further line adds ellipsis", QStringLiteral("first\nsecond"), QStringLiteral("first \u2026")},
        {"CRLF and blank lines", QStringLiteral("  first \r\n\r\n second"), QStringLiteral("first \u2026")},
        {"78 + ellipsis fits", QString(78, QLatin1Char('x')) + QStringLiteral("\nmore"),
         QString(78, QLatin1Char('x')) + QStringLiteral(" \u2026")},
        {"79 + ellipsis is cut to 78", QString(79, QLatin1Char('x')) + QStringLiteral("\nmore"),
         QString(78, QLatin1Char('x')) + QStringLiteral(" \u2026")},
        {"counts grapheme clusters", eightyFamilies, eightyFamilies.left(family.size() * 80) + QStringLiteral("...")},
        {"CJK counts characters", QString(81, QChar(0x4E2D)), QString(80, QChar(0x4E2D)) + QStringLiteral("...")},
        {"JSON summary drops white space outside strings",
         QStringLiteral("{\n  \"a b\" : [1, 2],\n  \"c\" : \"x  y\"\n}"), QStringLiteral("{\"a b\":[1,2],\"c\":\"x  y\"}")},
        {"JSON with escaped quote", QStringLiteral("[ \"a\\\" b\" , 1 ]"), QStringLiteral("[\"a\\\" b\",1]")},
        {"invalid JSON falls back to lines", QStringLiteral("{ not json\n}"), QStringLiteral("{ not json \u2026")},
        {"scalar JSON is not summarised", QStringLiteral("42"), QStringLiteral("42")},
    };
    for (const PreviewCase& c : cases) {
        EXPECT_EQ(P::textPreview(c.text), c.preview) << c.label;
    }
    QString longJson = QStringLiteral("[");
    for (int i = 0; i < 40; ++i) longJson += QStringLiteral("%1, ").arg(i);
    longJson += QStringLiteral("40]");
    const std::optional<QString> summary = P::textPreview(longJson);
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->size(), 83);
    EXPECT_TRUE(summary->endsWith(QStringLiteral("...")));
    EXPECT_FALSE(summary->contains(QLatin1Char(' ')));
}

TEST(TextPreview, JsonFollowedByNulIsNotSummarised) {
    // The summary would show only the part before the NUL.
    const QString text = QStringLiteral("{\"a\": 1}") + QChar(0) + QStringLiteral("hidden");
    EXPECT_EQ(P::textPreview(text), text);
}

TEST(TextPreview, DeeplyNestedJsonDoesNotExhaustTheStack) {
    const QString deep = QString(200000, QLatin1Char('[')) + QString(200000, QLatin1Char(']'));
    const std::optional<QString> preview = P::textPreview(deep);
    ASSERT_TRUE(preview);
    EXPECT_EQ(*preview, QString(80, QLatin1Char('[')) + QStringLiteral("..."));
}

TEST(ImagePreview, SizeOrPlain) {
    EXPECT_EQ(P::imagePreview(QSize(1920, 1080)), QStringLiteral("Image 1920x1080"));
    EXPECT_EQ(P::imagePreview(QSize(0, 10)), QStringLiteral("Image"));
    EXPECT_EQ(P::imagePreview(QSize(-1, -1)), QStringLiteral("Image"));
}

TEST(SearchText, HanRunsGetTheirPinyinInFront) {
    EXPECT_EQ(P::searchText(QStringLiteral("中文abc")), QStringLiteral("(zhongwen zhong wen)中文abc"));
    EXPECT_EQ(P::searchText(QStringLiteral("a中b文")), QStringLiteral("a(zhong zhong)中b(wen wen)文"));
    EXPECT_EQ(P::searchText(QStringLiteral("plain text")), QStringLiteral("plain text"));
    EXPECT_EQ(P::searchText(QString()), QString());
    // Only the first 100 characters are romanised; the rest is copied unchanged.
    const QString text = QString(99, QLatin1Char('x')) + QStringLiteral("中文");
    EXPECT_EQ(P::searchText(text), QString(99, QLatin1Char('x')) + QStringLiteral("(zhong zhong)中文"));
    // Japanese kana are not Han and stay as they are.
    EXPECT_EQ(P::searchText(QStringLiteral("ひらがな")), QStringLiteral("ひらがな"));
}
