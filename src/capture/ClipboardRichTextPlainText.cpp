#include "capture/ClipboardRichTextPlainText.h"

#include <array>
#include <vector>

#include <QHash>
#include <QSet>
#include <QStringDecoder>

namespace quellpad::ClipboardRichTextPlainText {

namespace {

// Code page 1252 in 0x80...0x9F; the rest of the byte range is Latin-1.
constexpr std::array<char16_t, 32> cp1252High{
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

QChar cp1252(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F) {
        return QChar(cp1252High[byte - 0x80]);
    }
    return QChar(byte);
}

bool isSkippedDestination(const QByteArray& word) {
    static const QSet<QByteArray> skipped{"fonttbl", "colortbl", "stylesheet", "info", "pict", "object",
                                          "header", "footer", "headerl", "headerr", "footerl", "footerr",
                                          "listtable", "listoverridetable", "rsidtbl", "generator",
                                          "xmlnstbl", "themedata", "colorschememapping", "datastore",
                                          "latentstyles", "pgdsctbl", "filetbl", "revtbl", "fldinst",
                                          "field_inst", "bkmkstart", "bkmkend", "nonshppict", "private"};
    return skipped.contains(word);
}

// \uN escapes and UTF-16 bytes arrive one code unit at a time; a surrogate without
// its partner would make the item's text unencodable, so it becomes U+FFFD.
QString withUnpairedSurrogatesReplaced(QString text) {
    for (qsizetype k = 0; k < text.size(); ++k) {
        if (text[k].isHighSurrogate() && k + 1 < text.size() && text[k + 1].isLowSurrogate()) {
            ++k;
        } else if (text[k].isSurrogate()) {
            text[k] = QChar(QChar::ReplacementCharacter);
        }
    }
    return text;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

QString fromRTF(const QByteArray& rtf) {
    struct Group {
        bool skip = false;
        int unicodeSkip = 1; // characters that follow \uN as its fallback
    };
    std::vector<Group> groups{Group{}};
    QString out;
    int pendingFallback = 0; // fallback characters still to drop after a \uN
    const qsizetype n = rtf.size();
    qsizetype i = 0;

    auto put = [&](QChar c) {
        if (pendingFallback > 0) {
            --pendingFallback;
            return;
        }
        if (!groups.back().skip) {
            out += c;
        }
    };

    while (i < n) {
        const char c = rtf[i];
        if (c == '{') {
            groups.push_back(groups.back());
            pendingFallback = 0;
            ++i;
        } else if (c == '}') {
            if (groups.size() > 1) {
                groups.pop_back();
            }
            pendingFallback = 0;
            ++i;
        } else if (c == '\\') {
            ++i;
            if (i >= n) {
                break;
            }
            const char next = rtf[i];
            if ((next >= 'a' && next <= 'z') || (next >= 'A' && next <= 'Z')) {
                const qsizetype wordStart = i;
                while (i < n && ((rtf[i] >= 'a' && rtf[i] <= 'z') || (rtf[i] >= 'A' && rtf[i] <= 'Z'))) {
                    ++i;
                }
                const QByteArray word = rtf.mid(wordStart, i - wordStart);
                bool hasParameter = false;
                long long parameter = 0;
                bool negative = false;
                if (i < n && rtf[i] == '-') {
                    negative = true;
                    ++i;
                }
                while (i < n && rtf[i] >= '0' && rtf[i] <= '9') {
                    hasParameter = true;
                    if (parameter < 1'000'000'000) {
                        parameter = parameter * 10 + (rtf[i] - '0');
                    }
                    ++i;
                }
                if (negative) {
                    parameter = -parameter;
                }
                if (i < n && rtf[i] == ' ') {
                    ++i;
                }
                if (word == "par" || word == "line" || word == "row") {
                    put(QLatin1Char('\n'));
                } else if (word == "tab" || word == "cell") {
                    put(QLatin1Char('\t'));
                } else if (word == "u" && hasParameter) {
                    // Signed 16-bit by the format; anything outside is corrupt.
                    const bool inRange = parameter >= -32768 && parameter <= 65535;
                    const long long unit = parameter < 0 ? parameter + 65536 : parameter;
                    put(inRange ? QChar(char16_t(unit)) : QChar(QChar::ReplacementCharacter));
                    pendingFallback = groups.back().unicodeSkip;
                } else if (word == "uc" && hasParameter) {
                    groups.back().unicodeSkip = int(std::max(0LL, std::min(parameter, 16LL)));
                } else if (word == "emdash") {
                    put(QChar(0x2014));
                } else if (word == "endash") {
                    put(QChar(0x2013));
                } else if (word == "bullet") {
                    put(QChar(0x2022));
                } else if (word == "lquote") {
                    put(QChar(0x2018));
                } else if (word == "rquote") {
                    put(QChar(0x2019));
                } else if (word == "ldblquote") {
                    put(QChar(0x201C));
                } else if (word == "rdblquote") {
                    put(QChar(0x201D));
                } else if (word == "bin" && hasParameter) {
                    i += std::max(0LL, std::min<long long>(parameter, n - i));
                } else if (isSkippedDestination(word)) {
                    groups.back().skip = true;
                }
            } else if (next == '\'') {
                if (i + 2 < n && hexValue(rtf[i + 1]) >= 0 && hexValue(rtf[i + 2]) >= 0) {
                    put(cp1252(static_cast<unsigned char>(hexValue(rtf[i + 1]) * 16 + hexValue(rtf[i + 2]))));
                    i += 3;
                } else {
                    ++i;
                }
            } else if (next == '*') {
                groups.back().skip = true;
                ++i;
            } else if (next == '~') {
                put(QChar(0x00A0));
                ++i;
            } else if (next == '_') {
                put(QChar(0x2011));
                ++i;
            } else if (next == '\n' || next == '\r') {
                put(QLatin1Char('\n'));
                ++i;
            } else if (next == '\\' || next == '{' || next == '}') {
                put(QLatin1Char(next));
                ++i;
            } else {
                ++i; // \- optional hyphen and other symbols carry no text
            }
        } else if (c == '\r' || c == '\n') {
            ++i;
        } else {
            put(cp1252(static_cast<unsigned char>(c)));
            ++i;
        }
    }
    return withUnpairedSurrogatesReplaced(out);
}

namespace {

QString decodeHTMLBytes(const QByteArray& html) {
    const std::optional<QStringConverter::Encoding> encoding = QStringConverter::encodingForData(html);
    QStringDecoder decoder(encoding.value_or(QStringConverter::Utf8));
    return decoder.decode(html);
}

std::optional<QString> decodeEntity(QStringView entity) {
    static const QHash<QString, QString> named{
        {QStringLiteral("amp"), QStringLiteral("&")},   {QStringLiteral("lt"), QStringLiteral("<")},
        {QStringLiteral("gt"), QStringLiteral(">")},    {QStringLiteral("quot"), QStringLiteral("\"")},
        {QStringLiteral("apos"), QStringLiteral("'")},  {QStringLiteral("nbsp"), QString(QChar(0x00A0))},
        {QStringLiteral("hellip"), QString(QChar(0x2026))}, {QStringLiteral("mdash"), QString(QChar(0x2014))},
        {QStringLiteral("ndash"), QString(QChar(0x2013))}, {QStringLiteral("copy"), QString(QChar(0x00A9))}};
    if (entity.startsWith(u'#')) {
        bool ok = false;
        const uint code = entity.size() > 1 && (entity[1] == u'x' || entity[1] == u'X')
                              ? entity.mid(2).toUInt(&ok, 16)
                              : entity.mid(1).toUInt(&ok, 10);
        if (!ok || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return std::nullopt;
        }
        const char32_t scalar = code;
        return QString::fromUcs4(&scalar, 1);
    }
    const auto it = named.constFind(entity.toString());
    if (it == named.constEnd()) {
        return std::nullopt;
    }
    return *it;
}

bool isBlockTag(QStringView name) {
    static const QSet<QString> blocks{QStringLiteral("p"),  QStringLiteral("div"), QStringLiteral("li"),
                                      QStringLiteral("tr"), QStringLiteral("h1"),  QStringLiteral("h2"),
                                      QStringLiteral("h3"), QStringLiteral("h4"),  QStringLiteral("h5"),
                                      QStringLiteral("h6"), QStringLiteral("pre"), QStringLiteral("blockquote"),
                                      QStringLiteral("ul"), QStringLiteral("ol"),  QStringLiteral("table")};
    return blocks.contains(name.toString());
}

} // namespace

QString fromHTML(const QByteArray& bytes) {
    const QString html = decodeHTMLBytes(bytes);
    QString out;
    const qsizetype n = html.size();
    qsizetype i = 0;
    bool pendingSpace = false;
    QString skipUntilClosing; // "script", "style" or "head" while inside one

    auto appendText = [&](const QString& text) {
        if (pendingSpace && !out.isEmpty() && !out.endsWith(QLatin1Char('\n'))) {
            out += QLatin1Char(' ');
        }
        pendingSpace = false;
        out += text;
    };
    auto newline = [&] {
        pendingSpace = false;
        if (!out.isEmpty() && !out.endsWith(QLatin1Char('\n'))) {
            out += QLatin1Char('\n');
        }
    };

    while (i < n) {
        const QChar c = html[i];
        if (c == u'<' && QStringView(html).mid(i, 4) == u"<!--") {
            const qsizetype close = html.indexOf(QStringLiteral("-->"), i + 4);
            i = close < 0 ? n : close + 3;
            continue;
        }
        const bool startsTag = c == u'<' && i + 1 < n &&
                               (html[i + 1].isLetter() || html[i + 1] == u'/' || html[i + 1] == u'!');
        if (startsTag) {
            qsizetype end = html.indexOf(QLatin1Char('>'), i + 1);
            if (end < 0) {
                end = n - 1;
            }
            QStringView tag = QStringView(html).mid(i + 1, end - i - 1);
            i = end + 1;
            const bool closing = tag.startsWith(u'/');
            if (closing) {
                tag = tag.mid(1);
            }
            qsizetype nameEnd = 0;
            while (nameEnd < tag.size() && (tag[nameEnd].isLetterOrNumber())) {
                ++nameEnd;
            }
            const QString name = tag.left(nameEnd).toString().toLower();
            if (!skipUntilClosing.isEmpty()) {
                if (closing && name == skipUntilClosing) {
                    skipUntilClosing.clear();
                }
                continue;
            }
            if (!closing && (name == u"script" || name == u"style" || name == u"head") && !tag.endsWith(u'/')) {
                skipUntilClosing = name;
            } else if (name == u"br" || isBlockTag(name)) {
                newline();
            } else if (name == u"td" || name == u"th") {
                if (closing) {
                    pendingSpace = true;
                }
            }
            continue;
        }
        if (!skipUntilClosing.isEmpty()) {
            ++i;
            continue;
        }
        if (c == u'&') {
            // Entities are short: looking further for the ';' would make a text full
            // of '&' quadratic.
            const qsizetype semicolon = QStringView(html).mid(i + 1, 12).indexOf(QLatin1Char(';')) + i + 1;
            if (semicolon > i) {
                if (const auto decoded = decodeEntity(QStringView(html).mid(i + 1, semicolon - i - 1))) {
                    appendText(*decoded);
                    i = semicolon + 1;
                    continue;
                }
            }
            appendText(QStringLiteral("&"));
            ++i;
            continue;
        }
        if (c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f') {
            pendingSpace = true;
            ++i;
            continue;
        }
        appendText(QString(c));
        ++i;
    }
    while (out.endsWith(QLatin1Char('\n'))) {
        out.chop(1);
    }
    return withUnpairedSurrogatesReplaced(out);
}

} // namespace quellpad::ClipboardRichTextPlainText
