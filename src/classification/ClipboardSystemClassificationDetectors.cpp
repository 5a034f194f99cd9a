#include "classification/ClipboardSystemClassificationDetectors.h"

#include <array>

#include <nlohmann/json.hpp>
#include <unicode/regex.h>

#include "Core/Utilities/Logger.h"
#include "Core/Utilities/Uuid.h"
#include "classification/IcuRegex.h"
#include "classification/TextScanning.h"

namespace quellpad::ClipboardClassificationDetectors {

namespace {

using Classification = ClipboardSystemClassification;
using namespace TextScanning;

// A safety net only: every fixed pattern below scans a 10 MB text in well under this.
constexpr int32_t systemPatternTimeLimit = 5000;

bool isAsciiDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }
bool isAsciiLetter(QChar c) {
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
}
bool isAsciiAlphanumeric(QChar c) { return isAsciiDigit(c) || isAsciiLetter(c); }

template <typename Predicate>
bool allOf(QStringView text, Predicate predicate) {
    return std::all_of(text.begin(), text.end(), predicate);
}

// Compiled once; a pattern that cannot compile never matches.
struct FixedPattern {
    FixedPattern(const char* source, uint32_t flags = 0)
        : regex(IcuRegex::compile(QString::fromUtf8(source), flags)) {}

    bool search(QStringView text) const {
        if (regex == nullptr) {
            return false;
        }
        QString failure;
        const IcuRegex::Outcome outcome = regex->search(text, systemPatternTimeLimit, &failure);
        if (outcome == IcuRegex::Outcome::failed) {
            Logger::warning(QStringLiteral("Detector pattern gave up (%1): %2").arg(failure, regex->pattern()),
                            QStringLiteral("LocalClipboardClassificationService"));
        }
        return outcome == IcuRegex::Outcome::match;
    }

    std::shared_ptr<const IcuRegex> regex;
};

bool isGitHubLink(const std::optional<ClipboardDetectedLink>& link, QLatin1String kind) {
    if (!link) {
        return false;
    }
    const QString& host = link->asciiHost;
    if (host != gitHubDomain && !host.endsWith(QLatin1Char('.') + gitHubDomain)) {
        return false;
    }
    const QStringList& components = link->pathComponents;
    if (components.size() < 4 || components[2].toLower() != kind) {
        return false;
    }
    // A pull request or issue number: plain decimal digits that fit a 64-bit integer.
    const QString& number = components[3];
    bool ok = false;
    number.toLongLong(&ok, 10);
    return ok && allOf(number, isAsciiDigit);
}

// Line starts as ICU's multi-line "^" finds them (a superset is fine: the full
// pattern decides). Reports which first characters occur there.
struct LineStartSummary {
    bool hash = false;    // "#"
    bool bullet = false;  // "-", "*", "+"
    bool digit = false;   // \d
    bool quote = false;   // ">"
};

LineStartSummary summarizeLineStarts(QStringView t) {
    LineStartSummary summary;
    bool atLineStart = true;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const char16_t c = t[i].unicode();
        if (atLineStart) {
            switch (c) {
            case u'#': summary.hash = true; break;
            case u'-': case u'*': case u'+': summary.bullet = true; break;
            case u'>': summary.quote = true; break;
            default:
                if (u_isdigit(static_cast<UChar32>(codePointAt(t, i)))) {
                    summary.digit = true;
                }
            }
        }
        atLineStart = isLineTerminator(c);
    }
    return summary;
}

// Accepts strict JSON; refuses nesting deeper than the platform reader allows.
class DepthLimitedAcceptor : public nlohmann::json_sax<nlohmann::json> {
public:
    bool null() override { return true; }
    bool boolean(bool) override { return true; }
    bool number_integer(number_integer_t) override { return true; }
    bool number_unsigned(number_unsigned_t) override { return true; }
    bool number_float(number_float_t, const string_t&) override { return true; }
    bool string(string_t&) override { return true; }
    bool binary(binary_t&) override { return true; }
    bool start_object(std::size_t) override { return ++depth_ <= maximumJSONNestingDepth; }
    bool end_object() override { --depth_; return true; }
    bool start_array(std::size_t) override { return ++depth_ <= maximumJSONNestingDepth; }
    bool end_array() override { --depth_; return true; }
    bool key(string_t&) override { return true; }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override { return false; }

private:
    int depth_ = 0;
};

} // namespace

double confidence(ClipboardSystemClassification classification) {
    switch (classification) {
    case Classification::email:
    case Classification::ipAddress:
    case Classification::sql:
    case Classification::html:
    case Classification::filePath:
        return 0.8;
    case Classification::markdown:
        return 0.6;
    default:
        return 1.0;
    }
}

bool isURL(const std::optional<ClipboardDetectedLink>& link) { return link.has_value(); }

bool isGitHubPullRequest(const std::optional<ClipboardDetectedLink>& link) {
    return isGitHubLink(link, QLatin1String("pull"));
}

bool isGitHubIssue(const std::optional<ClipboardDetectedLink>& link) {
    return isGitHubLink(link, QLatin1String("issues"));
}

bool isEmail(QStringView t) {
    static const FixedPattern pattern("^[A-Z0-9._%+\\-]+@[A-Z0-9.\\-]+\\.[A-Z]{2,}$", UREGEX_CASE_INSENSITIVE);
    return t.contains(QLatin1Char('@')) && pattern.search(t);
}

bool isIPAddress(QStringView t) {
    if (t.size() > 15) {
        return false;
    }
    const auto pieces = t.split(QLatin1Char('.'));
    if (pieces.size() != 4) {
        return false;
    }
    for (const QStringView piece : pieces) {
        // Digits only: a sign ("+1", "-0") is not part of an address.
        if (piece.isEmpty() || piece.size() > 3 || !allOf(piece, isAsciiDigit)) {
            return false;
        }
        if (piece.size() >= 2 && piece[0] == QLatin1Char('0')) {
            return false;
        }
        if (piece.toInt() > 255) {
            return false;
        }
    }
    return true;
}

bool isUUID(QStringView t) { return t.size() == 36 && Uuid::isWellFormed(t.toString()); }

bool isJSONContainer(const char* begin, const char* end) {
    const char* first = begin;
    while (first != end && (*first == ' ' || *first == '\t' || *first == '\n' || *first == '\r')) {
        ++first;
    }
    if (first == end || (*first != '{' && *first != '[')) {
        return false;
    }
    DepthLimitedAcceptor acceptor;
    return nlohmann::json::sax_parse(first, end, &acceptor);
}

bool isJSONContainer(QStringView text) {
    // JSON's own white space may surround the value; the cheap bracket test first.
    auto isJSONSpace = [](QChar c) {
        return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r');
    };
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isJSONSpace(text[begin])) {
        ++begin;
    }
    while (end > begin && isJSONSpace(text[end - 1])) {
        --end;
    }
    const QStringView body = text.mid(begin, end - begin);
    if (body.isEmpty() || (body.front() != QLatin1Char('{') && body.front() != QLatin1Char('[')) ||
        (body.back() != QLatin1Char('}') && body.back() != QLatin1Char(']'))) {
        return false;
    }
    const QByteArray bytes = text.toUtf8();
    return isJSONContainer(bytes.constData(), bytes.constData() + bytes.size());
}

bool isJSON(QStringView t) { return isJSONContainer(t); }

bool isJSONLines(QStringView t) {
    int lines = 0;
    int parsed = 0;
    bool allParsed = true;
    forEachLine(t, [&](QStringView line) {
        ++lines;
        const QStringView trimmed = trimmedSpacesAndTabs(line);
        if (trimmed.isEmpty()) {
            return true;
        }
        if (!isJSONContainer(trimmed)) {
            allParsed = false;
            return false;
        }
        ++parsed;
        return true;
    });
    return allParsed && lines >= 2 && parsed >= 2;
}

bool isSQL(QStringView t) {
    static const std::array<QLatin1String, 9> keywords{
        QLatin1String("select"), QLatin1String("insert"), QLatin1String("update"),
        QLatin1String("delete"), QLatin1String("create"), QLatin1String("alter"),
        QLatin1String("drop"),   QLatin1String("truncate"), QLatin1String("with")};
    const bool startsWithKeyword = std::any_of(keywords.begin(), keywords.end(), [&](QLatin1String keyword) {
        if (!startsWithAsciiInsensitive(t, keyword)) {
            return false;
        }
        return t.size() == keyword.size() || t[keyword.size()] == QLatin1Char(' ');
    });
    if (!startsWithKeyword) {
        return false;
    }
    // Marker phrases, looked up in the lower-cased text without building it.
    static const std::array<QLatin1String, 7> markers{
        QLatin1String(" from "), QLatin1String(" into "), QLatin1String(" values "), QLatin1String(" table "),
        QLatin1String(" set "),  QLatin1String(" where "), QLatin1String(" join ")};
    for (qsizetype i = 0; i < t.size(); ++i) {
        if (t[i] != QLatin1Char(' ')) {
            continue;
        }
        const QStringView rest = t.mid(i);
        for (const QLatin1String marker : markers) {
            if (startsWithAsciiInsensitive(rest, marker)) {
                return true;
            }
        }
    }
    return t.endsWith(QLatin1Char(';'));
}

bool containsMarkdownLink(QStringView text) {
    // A match is "[" X "](" Y ")" where X is non-empty without "]" and Y non-empty
    // without ")". For each "](" it suffices that some "[" lies after the previous "]"
    // and at least two units before, and that the text after "(" starts with a
    // character other than ")" and contains a ")" later.
    const qsizetype lastClosingParenthesis = text.lastIndexOf(QLatin1Char(')'));
    qsizetype firstOpenSinceClose = -1;
    for (qsizetype j = 0; j < text.size(); ++j) {
        const QChar c = text[j];
        if (c == QLatin1Char('[')) {
            if (firstOpenSinceClose < 0) {
                firstOpenSinceClose = j;
            }
            continue;
        }
        if (c != QLatin1Char(']')) {
            continue;
        }
        const bool labelOK = firstOpenSinceClose >= 0 && firstOpenSinceClose <= j - 2;
        if (labelOK && j + 2 < text.size() && text[j + 1] == QLatin1Char('(') && text[j + 2] != QLatin1Char(')') &&
            lastClosingParenthesis > j + 2) {
            return true;
        }
        firstOpenSinceClose = -1;
    }
    return false;
}

bool isMarkdown(QStringView t) {
    static const FixedPattern heading("(?m)^#{1,6}\\s+\\S+");
    static const FixedPattern bullet("(?m)^[-*+]\\s+\\S+");
    static const FixedPattern numbered("(?m)^\\d+\\.\\s+\\S+");
    static const FixedPattern fence("```[\\s\\S]*```");
    static const FixedPattern quote("(?m)^>\\s+\\S+");
    const LineStartSummary lineStarts = summarizeLineStarts(t);
    if (lineStarts.hash && heading.search(t)) {
        return true;
    }
    if (lineStarts.bullet && bullet.search(t)) {
        return true;
    }
    if (lineStarts.digit && numbered.search(t)) {
        return true;
    }
    if (containsMarkdownLink(t)) {
        return true;
    }
    if (t.contains(QLatin1String("```")) && fence.search(t)) {
        return true;
    }
    return lineStarts.quote && quote.search(t);
}

bool isHTML(QStringView t) {
    static const FixedPattern element("^<([A-Za-z][A-Za-z0-9:-]*)(?:\\s[^>]*)?>[\\s\\S]*</\\1>$");
    static const FixedPattern selfClosing("^<([A-Za-z][A-Za-z0-9:-]*)(?:\\s[^>]*)?/\\s*>$");
    if (t.size() < 3 || t.front() != QLatin1Char('<') || t.back() != QLatin1Char('>')) {
        return false;
    }
    return element.search(t) || selfClosing.search(t);
}

std::optional<QByteArray> decodeStandardBase64(QStringView text) {
    if (text.isEmpty() || text.size() % 4 != 0) {
        return std::nullopt;
    }
    qsizetype padding = 0;
    while (padding < text.size() && text[text.size() - 1 - padding] == QLatin1Char('=')) {
        ++padding;
    }
    if (padding > 2) {
        return std::nullopt;
    }
    const qsizetype dataLength = text.size() - padding;
    auto value = [](QChar c) -> int {
        const char16_t u = c.unicode();
        if (u >= u'A' && u <= u'Z') return u - u'A';
        if (u >= u'a' && u <= u'z') return u - u'a' + 26;
        if (u >= u'0' && u <= u'9') return u - u'0' + 52;
        if (u == u'+') return 62;
        if (u == u'/') return 63;
        return -1;
    };
    QByteArray bytes;
    bytes.reserve(dataLength / 4 * 3 + 3);
    quint32 buffer = 0;
    int bits = 0;
    for (qsizetype i = 0; i < dataLength; ++i) {
        const int v = value(text[i]);
        if (v < 0) {
            return std::nullopt;
        }
        buffer = (buffer << 6) | static_cast<quint32>(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes.append(static_cast<char>((buffer >> bits) & 0xFF));
        }
    }
    return bytes;
}

bool isJWT(QStringView t) {
    QStringView token = t;
    if (startsWithAsciiInsensitive(t, QLatin1String("bearer "))) {
        token = trimmedSpacesAndTabs(t.mid(7));
    }
    if (token.count(QLatin1Char('.')) != 2) {
        return false;
    }
    const auto parts = token.split(QLatin1Char('.'));
    auto decodesToJSON = [](QStringView part) {
        QString standard = part.toString();
        standard.replace(QLatin1Char('-'), QLatin1Char('+')).replace(QLatin1Char('_'), QLatin1Char('/'));
        while (standard.size() % 4 != 0) {
            standard.append(QLatin1Char('='));
        }
        const std::optional<QByteArray> bytes = decodeStandardBase64(standard);
        return bytes && isJSONContainer(bytes->constData(), bytes->constData() + bytes->size());
    };
    return parts.size() == 3 && !parts[2].isEmpty() && decodesToJSON(parts[0]) && decodesToJSON(parts[1]);
}

bool isFilePath(QStringView t) {
    if (!(t.startsWith(QLatin1Char('/')) || t.startsWith(QLatin1String("./")) || t.startsWith(QLatin1String("../")))) {
        return false;
    }
    if (t.contains(QLatin1String("://")) || t.contains(QChar(u'\0'))) {
        return false;
    }
    // Split at "/", an empty piece may only be the first (leading "/") or the last
    // (trailing "/"); two slashes in a row always leave an inner empty piece.
    return !t.contains(QLatin1String("//"));
}

bool isBase64(QStringView t) {
    // 1. Not a path, no space, no dot.
    if (t.startsWith(QLatin1Char('/')) || t.startsWith(QLatin1String("./")) || t.startsWith(QLatin1String("../")) ||
        t.contains(QLatin1Char(' ')) || t.contains(QLatin1Char('.'))) {
        return false;
    }
    // 2. A word path such as owner/name.
    if (t.contains(QLatin1Char('/'))) {
        bool wordPath = true;
        for (const QStringView piece : t.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
            if (!allOf(piece, isAsciiAlphanumeric)) {
                wordPath = false;
                break;
            }
        }
        if (wordPath) {
            return false;
        }
    }
    // 3. Long enough and only Base64 characters of either alphabet.
    auto isBase64Character = [](QChar c) {
        return isAsciiAlphanumeric(c) || c == QLatin1Char('+') || c == QLatin1Char('/') || c == QLatin1Char('=') ||
               c == QLatin1Char('_') || c == QLatin1Char('-');
    };
    if (t.size() < 12 || !allOf(t, isBase64Character)) {
        return false;
    }
    // 4. Hyphenated words or identifiers.
    if (t.contains(QLatin1Char('-'))) {
        const auto pieces = t.split(QLatin1Char('-'), Qt::SkipEmptyParts);
        if (pieces.size() >= 3) {
            return false;
        }
        const qsizetype hyphen = t.indexOf(QLatin1Char('-'));
        if (t.count(QLatin1Char('-')) == 1 && hyphen > 0 && hyphen + 1 < t.size() &&
            allOf(t.left(hyphen), isAsciiLetter) && allOf(t.mid(hyphen + 1), isAsciiAlphanumeric)) {
            return false;
        }
    }
    // 5. Two words joined by one underscore.
    if (t.count(QLatin1Char('_')) == 1) {
        const qsizetype underscore = t.indexOf(QLatin1Char('_'));
        if (underscore > 0 && underscore + 1 < t.size()) {
            return false;
        }
    }
    // 6. Capitals followed by digits, like a product code.
    {
        qsizetype i = 0;
        while (i < t.size() && t[i] >= QLatin1Char('A') && t[i] <= QLatin1Char('Z')) {
            ++i;
        }
        if (i > 0 && i < t.size() && allOf(t.mid(i), isAsciiDigit)) {
            return false;
        }
    }
    // 7. Without both letters and digits only long runs count.
    const bool hasLetter = std::any_of(t.begin(), t.end(), isAsciiLetter);
    const bool hasDigit = std::any_of(t.begin(), t.end(), isAsciiDigit);
    if ((!hasLetter || !hasDigit) && t.size() <= 63) {
        return false;
    }
    // 8. Decode in the standard alphabet.
    QString standard = t.toString();
    const bool urlSafe = t.contains(QLatin1Char('-')) || t.contains(QLatin1Char('_'));
    if (urlSafe) {
        standard.replace(QLatin1Char('-'), QLatin1Char('+')).replace(QLatin1Char('_'), QLatin1Char('/'));
    }
    QString padded = standard;
    while (padded.size() % 4 != 0) {
        padded.append(QLatin1Char('='));
    }
    const std::optional<QByteArray> decoded = decodeStandardBase64(padded);
    if (!decoded) {
        return false;
    }
    // 9. Canonical: re-encoding gives the same text, padding aside.
    QByteArray reencoded = decoded->toBase64(QByteArray::Base64Encoding | QByteArray::OmitTrailingEquals);
    QString unpadded = standard;
    while (unpadded.endsWith(QLatin1Char('='))) {
        unpadded.chop(1);
    }
    return QLatin1String(reencoded) == unpadded;
}

bool isCurlCommand(QStringView t) {
    return t.size() >= 5 && startsWithAsciiInsensitive(t, QLatin1String("curl")) && isRegexSpace(codePointAt(t, 4));
}

bool detect(ClipboardSystemClassification classification, QStringView t,
            const std::optional<ClipboardDetectedLink>& link) {
    switch (classification) {
    case Classification::url: return isURL(link);
    case Classification::githubPullRequest: return isGitHubPullRequest(link);
    case Classification::githubIssue: return isGitHubIssue(link);
    case Classification::email: return isEmail(t);
    case Classification::ipAddress: return isIPAddress(t);
    case Classification::uuid: return isUUID(t);
    case Classification::json: return isJSON(t);
    case Classification::jsonLines: return isJSONLines(t);
    case Classification::sql: return isSQL(t);
    case Classification::markdown: return isMarkdown(t);
    case Classification::html: return isHTML(t);
    case Classification::jwt: return isJWT(t);
    case Classification::filePath: return isFilePath(t);
    case Classification::base64: return isBase64(t);
    case Classification::curlCommand: return isCurlCommand(t);
    }
    return false;
}

} // namespace quellpad::ClipboardClassificationDetectors
