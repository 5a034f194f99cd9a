#include <gtest/gtest.h>

#include "capture/ClipboardImageFormat.h"
#include "capture/ClipboardMonitoredPayload.h"
#include "capture/ClipboardRichTextPlainText.h"
#include "Core/Utilities/Hashing.h"

namespace quellpad {
namespace {

TEST(ClipboardImageFormatTest, SignaturesNeedTheirMinimumLength) {
    const struct {
        QByteArray bytes;
        const char* format;
    } rows[] = {
        {QByteArray("\x89PNG\r\n\x1a\n", 8), "png"},
        {QByteArray("\x89PNG\r\n\x1a", 7), "unknown"},
        {QByteArray("\xFF\xD8\xFF", 3), "jpeg"},
        {QByteArray("GIF89a"), "gif"},
        {QByteArray("RIFF\0\0\0\0WEBP", 12), "webp"},
        {QByteArray("RIFF\0\0\0\0WEB", 11), "unknown"},
        {QByteArray("RIFF\0\0\0\0WAVE", 12), "unknown"},
        {QByteArray("II*\0", 4), "tiff"},
        {QByteArray("MM"), "tiff"},
        {QByteArray("BM"), "bmp"},
        {QByteArray("%PDF-1.7"), "pdf"},
        {QByteArray("%PD"), "unknown"},
        {QByteArray(), "unknown"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(imageFormatName(sniffImageFormat(row.bytes)), QString::fromLatin1(row.format)) << row.bytes.toHex().constData();
    }
}

TEST(ClipboardMonitoredPayloadTest, TextFingerprintCoversRenditionsWithSeparators) {
    EXPECT_EQ(monitorTextFingerprint({QString(), std::nullopt, std::nullopt}),
              Hashing::sha256Hex(QByteArray("text\0\0", 6)));
    EXPECT_EQ(monitorTextFingerprint({QStringLiteral("é"), QByteArray("r"), QByteArray("h")}),
              Hashing::sha256Hex(QByteArray("text\xC3\xA9\0r\0h", 10)));
    // The separators keep an RTF byte from passing for an HTML byte.
    EXPECT_NE(monitorTextFingerprint({QStringLiteral("a"), QByteArray("x"), std::nullopt}),
              monitorTextFingerprint({QStringLiteral("a"), std::nullopt, QByteArray("x")}));
    EXPECT_EQ(monitorImageFingerprint(QByteArray("abc")), Hashing::sha256Hex("abc"));
    EXPECT_NE(monitorImageFingerprint(QByteArray()), monitorTextFingerprint({}));
}

TEST(ClipboardRichTextPlainTextTest, RTF) {
    const struct {
        QByteArray rtf;
        QString text;
    } rows[] = {
        {"{\\rtf1\\ansi{\\fonttbl{\\f0 Helvetica;}}{\\colortbl;\\red0\\green0\\blue0;}\\f0 Hello\\par World}",
         QStringLiteral("Hello\nWorld")},
        {"{\\rtf1 caf\\'e9 \\'80}", QStringLiteral("café €")},
        {"{\\rtf1\\uc1 \\u20013?\\u25991?}", QStringLiteral("中文")},
        {"{\\rtf1\\uc0 \\u-10179\\u-8704 }", QStringLiteral("\U0001F600")},
        {"{\\rtf1 a\\{b\\}c\\\\d\\tab e}", QStringLiteral("a{b}c\\d\te")},
        {"{\\rtf1 {\\*\\generator Writer;}visible{\\pict\\pngblip 89504e47}}", QStringLiteral("visible")},
        {"{\\rtf1 unterminated \\", QStringLiteral("unterminated ")},
        {"}}}}{\\rtf1 x", QStringLiteral("x")},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ClipboardRichTextPlainText::fromRTF(row.rtf), row.text) << row.rtf.constData();
    }
}

TEST(ClipboardRichTextPlainTextTest, HTML) {
    const struct {
        QByteArray html;
        QString text;
    } rows[] = {
        {"<html><head><title>t</title></head><body><p>One</p><p>Two&nbsp;&amp;&#x4E2D;&#25991;</p></body></html>",
         QStringLiteral("One\nTwo\u00A0&中文")},
        {"<script>alert(1)</script><style>p{}</style>kept", QStringLiteral("kept")},
        {"a  \n  b<br>c<!-- <p>hidden</p> -->d", QStringLiteral("a b\ncd")},
        {"x &unknown; &#0; &#xD800; < y", QStringLiteral("x &unknown; &#0; &#xD800; < y")},
        {QByteArray("\xFF\xFE<\0b\0>\0h\0i\0", 12), QStringLiteral("hi")},
        {"<span", QString()},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ClipboardRichTextPlainText::fromHTML(row.html), row.text) << row.html.constData();
    }
}

TEST(ClipboardRichTextPlainTextTest, DeepNestingAndHugeParametersAreHarmless) {
    const QByteArray deepRTF = QByteArray(200'000, '{') + "deep" + QByteArray(200'000, '}');
    EXPECT_EQ(ClipboardRichTextPlainText::fromRTF(deepRTF), QStringLiteral("deep"));
    EXPECT_EQ(ClipboardRichTextPlainText::fromRTF("{\\rtf1 \\bin99999999999999999999 ab}"), QString());
    EXPECT_EQ(ClipboardRichTextPlainText::fromRTF("{\\rtf1 \\u99999999999999999 z}"), QString(QChar(QChar::ReplacementCharacter)));
    const QByteArray deepHTML = QByteArray(50'000, '<').append("b>") + "x";
    EXPECT_NO_THROW(ClipboardRichTextPlainText::fromHTML(deepHTML));
}

// A lone \uN surrogate (or one in UTF-16 HTML) used to leave the text
// unencodable, and a text full of '&' without ';' took quadratic time.
TEST(ClipboardRichTextPlainTextTest, UnpairedSurrogatesAndBareAmpersands) {
    const QString replacement(QChar(QChar::ReplacementCharacter));
    EXPECT_EQ(ClipboardRichTextPlainText::fromRTF("{\\rtf1\\uc0 \\u-10179 x}"), replacement + QStringLiteral("x"));
    EXPECT_EQ(ClipboardRichTextPlainText::fromRTF("{\\rtf1\\uc0 \\u-8704\\u-10179 }"), replacement + replacement);
    EXPECT_EQ(ClipboardRichTextPlainText::fromRTF("{\\rtf1\\uc0 \\u-10179\\u-8704 }"), QStringLiteral("\U0001F600"));
    EXPECT_EQ(ClipboardRichTextPlainText::fromHTML(QByteArray("\xFF\xFEh\0\x00\xD8i\0", 8)),
              QStringLiteral("h") + replacement + QStringLiteral("i"));

    const QByteArray ampersands(4 * 1024 * 1024, '&');
    EXPECT_EQ(ClipboardRichTextPlainText::fromHTML(ampersands).size(), ampersands.size());
    EXPECT_EQ(ClipboardRichTextPlainText::fromHTML("a &amp;&#x41; &nbsp&lt;"), QStringLiteral("a &A &nbsp<"));
}

} // namespace
} // namespace quellpad
