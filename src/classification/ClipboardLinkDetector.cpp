#include "classification/ClipboardLinkDetector.h"

#include <arpa/inet.h>

#include <unicode/uchar.h>
#include <unicode/uidna.h>

namespace quellpad {

namespace {

constexpr qsizetype maximumHostLength = 253;
constexpr qsizetype maximumLabelLength = 63;

bool isAsciiDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }
bool isAsciiLetter(QChar c) {
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
}
bool isHexDigit(QChar c) {
    return isAsciiDigit(c) || (c >= QLatin1Char('a') && c <= QLatin1Char('f')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

bool startsWithInsensitive(QStringView text, QLatin1String prefix) {
    return text.size() >= prefix.size() && text.left(prefix.size()).compare(prefix, Qt::CaseInsensitive) == 0;
}

// Characters that end a link in running text, or that no address bar would show
// unencoded: they make the whole text something other than one link.
bool isForbiddenAsciiInLink(char16_t c) {
    switch (c) {
    case u'<': case u'>': case u'"': case u'\\': case u'`':
        return true;
    default:
        return c < 0x20 || c == 0x7f;
    }
}

// Walks the text after the authority: every code point must be printable, visible and
// not a separator; "%" must introduce two hex digits.
bool isValidPathQueryFragment(QStringView rest) {
    for (qsizetype i = 0; i < rest.size(); ++i) {
        const QChar c = rest[i];
        char32_t codePoint = c.unicode();
        if (c.isHighSurrogate()) {
            if (i + 1 >= rest.size() || !rest[i + 1].isLowSurrogate()) {
                return false;
            }
            codePoint = QChar::surrogateToUcs4(c, rest[i + 1]);
            ++i;
        } else if (c.isSurrogate()) {
            return false;
        }
        if (codePoint < 0x80) {
            if (isForbiddenAsciiInLink(static_cast<char16_t>(codePoint)) || codePoint == u' ') {
                return false;
            }
            if (codePoint == u'%' && (i + 2 >= rest.size() || !isHexDigit(rest[i + 1]) || !isHexDigit(rest[i + 2]))) {
                return false;
            }
            continue;
        }
        const int8_t category = u_charType(static_cast<UChar32>(codePoint));
        if (u_isUWhiteSpace(static_cast<UChar32>(codePoint)) || category == U_CONTROL_CHAR ||
            category == U_FORMAT_CHAR || category == U_UNASSIGNED || category == U_PRIVATE_USE_CHAR ||
            category == U_LINE_SEPARATOR || category == U_PARAGRAPH_SEPARATOR) {
            return false;
        }
    }
    return true;
}

// A closing bracket or sentence punctuation at the very end belongs to the sentence
// around the link, not to it: "(see https://example.com/a)." copies as ".../a)."
bool hasTrailingPunctuation(QStringView text) {
    const QChar last = text.back();
    static const QString sentencePunctuation = QStringLiteral(".,;:!?'\"");
    if (sentencePunctuation.contains(last)) {
        return true;
    }
    auto unbalanced = [&](QChar open, QChar close) {
        return last == close && text.count(close) > text.count(open);
    };
    return unbalanced(QLatin1Char('('), QLatin1Char(')')) || unbalanced(QLatin1Char('['), QLatin1Char(']')) ||
           unbalanced(QLatin1Char('{'), QLatin1Char('}'));
}

bool isDottedQuad(QStringView host) {
    const auto pieces = host.split(QLatin1Char('.'));
    if (pieces.size() != 4) {
        return false;
    }
    for (const QStringView piece : pieces) {
        if (piece.isEmpty() || piece.size() > 3 || (piece.size() > 1 && piece[0] == QLatin1Char('0'))) {
            return false;
        }
        for (const QChar c : piece) {
            if (!isAsciiDigit(c)) {
                return false;
            }
        }
        if (piece.toInt() > 255) {
            return false;
        }
    }
    return true;
}

bool looksNumeric(QStringView host) {
    for (const QChar c : host) {
        if (!isAsciiDigit(c) && c != QLatin1Char('.')) {
            return false;
        }
    }
    return true;
}

// The host of the authority, validated; fills host and asciiHost.
bool parseHost(QStringView hostText, ClipboardDetectedLink& link) {
    if (hostText.isEmpty()) {
        return false;
    }
    if (hostText.front() == QLatin1Char('[')) {
        if (hostText.back() != QLatin1Char(']') || hostText.size() < 4) {
            return false;
        }
        const QByteArray literal = hostText.mid(1, hostText.size() - 2).toLatin1();
        in6_addr address{};
        if (inet_pton(AF_INET6, literal.constData(), &address) != 1) {
            return false;
        }
        link.host = hostText.toString().toLower();
        link.asciiHost = QString::fromLatin1(literal).toLower();
        return true;
    }
    if (looksNumeric(hostText)) {
        if (!isDottedQuad(hostText)) {
            return false;
        }
        link.host = hostText.toString();
        link.asciiHost = link.host;
        return true;
    }
    if (hostText.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0) {
        link.host = QStringLiteral("localhost");
        link.asciiHost = link.host;
        return true;
    }
    const std::optional<QString> ascii = ClipboardLinkDetector::asciiDomain(hostText);
    if (!ascii) {
        return false;
    }
    const auto labels = QStringView(*ascii).split(QLatin1Char('.'));
    if (labels.size() < 2) {
        return false;
    }
    const QStringView topLevel = labels.back();
    const bool topLevelIsName = std::all_of(topLevel.begin(), topLevel.end(), [](QChar c) { return isAsciiLetter(c); });
    if (!(topLevel.size() >= 2 && (topLevelIsName || topLevel.startsWith(QLatin1String("xn--"))))) {
        return false;
    }
    link.host = hostText.toString().toLower();
    link.asciiHost = *ascii;
    return true;
}

} // namespace

std::optional<QString> ClipboardLinkDetector::asciiDomain(QStringView domain) {
    if (domain.isEmpty() || domain.size() > maximumHostLength) {
        return std::nullopt;
    }
    UErrorCode status = U_ZERO_ERROR;
    static const UIDNA* idna = uidna_openUTS46(UIDNA_CHECK_BIDI | UIDNA_CHECK_CONTEXTJ | UIDNA_NONTRANSITIONAL_TO_ASCII,
                                               &status);
    if (idna == nullptr) {
        return std::nullopt;
    }
    UChar output[512];
    UIDNAInfo info = UIDNA_INFO_INITIALIZER;
    status = U_ZERO_ERROR;
    const int32_t length = uidna_nameToASCII(idna, reinterpret_cast<const UChar*>(domain.utf16()),
                                             static_cast<int32_t>(domain.size()), output, 512, &info, &status);
    if (U_FAILURE(status) || info.errors != 0 || length <= 0 || length > maximumHostLength) {
        return std::nullopt;
    }
    const QString ascii = QString::fromUtf16(reinterpret_cast<const char16_t*>(output), length).toLower();
    // Letters, digits, hyphens and (as intranet hosts use them) underscores; no empty
    // label and no label that begins or ends with a hyphen.
    for (const QStringView label : QStringView(ascii).split(QLatin1Char('.'))) {
        if (label.isEmpty() || label.size() > maximumLabelLength || label.front() == QLatin1Char('-') ||
            label.back() == QLatin1Char('-')) {
            return std::nullopt;
        }
        for (const QChar c : label) {
            if (!isAsciiLetter(c) && !isAsciiDigit(c) && c != QLatin1Char('-') && c != QLatin1Char('_')) {
                return std::nullopt;
            }
        }
    }
    return ascii;
}

std::optional<ClipboardDetectedLink> ClipboardLinkDetector::detect(QStringView text) {
    ClipboardDetectedLink link;
    qsizetype position = 0;
    if (startsWithInsensitive(text, QLatin1String("https://"))) {
        link.scheme = QStringLiteral("https");
        position = 8;
    } else if (startsWithInsensitive(text, QLatin1String("http://"))) {
        link.scheme = QStringLiteral("http");
        position = 7;
    } else {
        return std::nullopt;
    }
    if (hasTrailingPunctuation(text)) {
        return std::nullopt;
    }

    qsizetype authorityEnd = position;
    while (authorityEnd < text.size() && text[authorityEnd] != QLatin1Char('/') &&
           text[authorityEnd] != QLatin1Char('?') && text[authorityEnd] != QLatin1Char('#')) {
        ++authorityEnd;
    }
    QStringView authority = text.mid(position, authorityEnd - position);
    const qsizetype at = authority.lastIndexOf(QLatin1Char('@'));
    if (at >= 0) {
        const QStringView userInfo = authority.left(at);
        static const QString allowed = QStringLiteral("-._~!$&'()*+,;=:%");
        if (userInfo.isEmpty() || !std::all_of(userInfo.begin(), userInfo.end(), [](QChar c) {
                return isAsciiLetter(c) || isAsciiDigit(c) || allowed.contains(c);
            })) {
            return std::nullopt;
        }
        authority = authority.mid(at + 1);
    }

    QStringView hostText = authority;
    const qsizetype bracketEnd = authority.startsWith(QLatin1Char('[')) ? authority.indexOf(QLatin1Char(']')) : -1;
    const qsizetype colon = authority.lastIndexOf(QLatin1Char(':'));
    if (colon >= 0 && colon > bracketEnd) {
        const QStringView portText = authority.mid(colon + 1);
        if (portText.isEmpty() || portText.size() > 5 ||
            !std::all_of(portText.begin(), portText.end(), [](QChar c) { return isAsciiDigit(c); })) {
            return std::nullopt;
        }
        const int port = portText.toInt();
        if (port < 1 || port > 65535) {
            return std::nullopt;
        }
        link.port = port;
        hostText = authority.left(colon);
    }
    if (!parseHost(hostText, link)) {
        return std::nullopt;
    }

    const QStringView rest = text.mid(authorityEnd);
    if (!isValidPathQueryFragment(rest)) {
        return std::nullopt;
    }
    qsizetype pathEnd = 0;
    while (pathEnd < rest.size() && rest[pathEnd] != QLatin1Char('?') && rest[pathEnd] != QLatin1Char('#')) {
        ++pathEnd;
    }
    link.path = QString::fromUtf8(QByteArray::fromPercentEncoding(rest.left(pathEnd).toUtf8()));
    link.pathComponents = link.path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    return link;
}

} // namespace quellpad
