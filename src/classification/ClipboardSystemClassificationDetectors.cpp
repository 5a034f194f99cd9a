#include "classification/ClipboardSystemClassificationDetectors.h"

#include <algorithm>
#include <array>
#include <cstring>

#include <nlohmann/json.hpp>
#include <unicode/regex.h>

#include "Core/Utilities/Logger.h"
#include "Core/Utilities/Uuid.h"
#include "Core/Utilities/IcuRegex.h"
#include "classification/JSONTextValidator.h"
#include "Core/Utilities/TextScanning.h"

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

// One pass over a text for the Markdown detector: cheap necessary conditions for the
// line patterns (which characters begin a line, as ICU's multi-line "^" sees lines;
// a superset is fine, the full pattern decides), whether "```" occurs, and the exact
// answer for the link pattern \[[^\]]+\]\([^)]+\), which the backtracking engine
// takes quadratic time to refute on text full of "[".
struct MarkdownHints {
    bool hash = false;    // "#" begins a line
    bool bullet = false;  // "-", "*" or "+" begins a line
    bool digit = false;   // \d begins a line
    bool quote = false;   // ">" begins a line
    bool fence = false;   // "```" somewhere
    bool link = false;    // the link pattern matches
};

MarkdownHints markdownHints(QStringView t) {
    MarkdownHints hints;
    const char16_t* text = t.utf16();
    const qsizetype n = t.size();
    auto lineStartsAt = [&](qsizetype i) {
        const char16_t c = text[i];
        switch (c) {
        case u'#': hints.hash = true; break;
        case u'-': case u'*': case u'+': hints.bullet = true; break;
        case u'>': hints.quote = true; break;
        default:
            if ((c >= u'0' && c <= u'9') || (c >= 0x80 && u_isdigit(static_cast<UChar32>(codePointAt(t, i))))) {
                hints.digit = true;
            }
        }
    };
    if (n > 0) {
        lineStartsAt(0);
    }
    // Link: a "](" qualifies on its left when some "[" lies after the previous "]" and
    // at least two units before it, and the unit after "(" is not ")". A match exists
    // exactly when a ")" follows after that unit; if none follows the first
    // qualifying "](", none follows a later one either.
    bool linkDecided = false;
    qsizetype firstOpenSinceClose = -1;
    int backticks = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i];
        if (c > 0x0D && c < 0x85 && (c < u'[' || c > u'`')) {
            backticks = 0;
            continue; // the common case: no line terminator, bracket or backtick
        }
        if (c == u'`') {
            hints.fence = hints.fence || ++backticks >= 3;
            continue;
        }
        backticks = 0;
        if (c == u'[') {
            if (firstOpenSinceClose < 0) {
                firstOpenSinceClose = i;
            }
        } else if (c == u']') {
            if (!linkDecided && firstOpenSinceClose >= 0 && firstOpenSinceClose <= i - 2 && i + 2 < n &&
                text[i + 1] == u'(' && text[i + 2] != u')') {
                hints.link = std::find(text + i + 3, text + n, u')') != text + n;
                linkDecided = true;
            }
            firstOpenSinceClose = -1;
        } else if (isLineTerminator(c) && i + 1 < n) {
            lineStartsAt(i + 1);
        }
    }
    return hints;
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
    // The parser stops at a NUL byte as if the input ended there; JSON has no place
    // for one outside a string (and inside it must be escaped).
    if (std::memchr(first, '\0', static_cast<std::size_t>(end - first)) != nullptr) {
        return false;
    }
    DepthLimitedAcceptor acceptor;
    return nlohmann::json::sax_parse(first, end, &acceptor);
}

bool isJSONContainer(QStringView text) { return JSONTextValidator::isContainer(text, maximumJSONNestingDepth); }

bool isJSON(QStringView t) { return isJSONContainer(t); }

bool isJSONLines(QStringView t) {
    // t is trimmed, so its first line is not blank and must open an object or array.
    if (t.isEmpty() || (t.front() != QLatin1Char('{') && t.front() != QLatin1Char('['))) {
        return false;
    }
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

bool containsMarkdownLink(QStringView t) { return markdownHints(t).link; }

bool isMarkdown(QStringView t) {
    static const FixedPattern heading("(?m)^#{1,6}\\s+\\S+");
    static const FixedPattern bullet("(?m)^[-*+]\\s+\\S+");
    static const FixedPattern numbered("(?m)^\\d+\\.\\s+\\S+");
    static const FixedPattern fence("```[\\s\\S]*```");
    static const FixedPattern quote("(?m)^>\\s+\\S+");
    const MarkdownHints hints = markdownHints(t);
    if (hints.hash && heading.search(t)) {
        return true;
    }
    if (hints.bullet && bullet.search(t)) {
        return true;
    }
    if (hints.digit && numbered.search(t)) {
        return true;
    }
    if (hints.link) {
        return true;
    }
    if (hints.fence && fence.search(t)) {
        return true;
    }
    return hints.quote && quote.search(t);
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
    const qsizetype firstDot = token.indexOf(QLatin1Char('.'));
    const qsizetype secondDot = firstDot < 0 ? -1 : token.indexOf(QLatin1Char('.'), firstDot + 1);
    if (secondDot < 0 || token.indexOf(QLatin1Char('.'), secondDot + 1) >= 0) {
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

// What the Base64 checks need to know about a text, gathered in one pass. The pass
// stops at the first character outside both alphabets (a space, a dot or anything
// else): checks 1 and 3 then fail whatever the rest holds.
struct Base64Profile {
    bool hasSpace = false;
    bool hasDot = false;
    bool hasSlash = false;
    bool hasHyphen = false;
    bool hasLetter = false;
    bool hasDigit = false;
    bool onlyWordPathCharacters = true; // letters, digits, "/"
    bool onlyBase64Characters = true;   // letters, digits, "+", "/", "=", "_", "-"
    qsizetype underscores = 0;
};

Base64Profile base64Profile(QStringView t) {
    enum : uint8_t { letter = 1, digit = 2, slash = 4, hyphen = 8, underscore = 16, plusOrEquals = 32, space = 64, dot = 128 };
    static const std::array<uint8_t, 128> classes = [] {
        std::array<uint8_t, 128> table{};
        for (int c = 'a'; c <= 'z'; ++c) table[static_cast<size_t>(c)] = letter;
        for (int c = 'A'; c <= 'Z'; ++c) table[static_cast<size_t>(c)] = letter;
        for (int c = '0'; c <= '9'; ++c) table[static_cast<size_t>(c)] = digit;
        table['/'] = slash;
        table['-'] = hyphen;
        table['_'] = underscore;
        table['+'] = plusOrEquals;
        table['='] = plusOrEquals;
        table[' '] = space;
        table['.'] = dot;
        return table;
    }();
    constexpr uint8_t alphabet = letter | digit | slash | hyphen | underscore | plusOrEquals;
    Base64Profile profile;
    const char16_t* text = t.utf16();
    uint8_t seen = 0;
    qsizetype underscores = 0;
    uint8_t stop = 0;
    for (qsizetype i = 0, n = t.size(); i < n; ++i) {
        const char16_t c = text[i];
        const uint8_t kind = c < 128 ? classes[c] : 0;
        if ((kind & alphabet) == 0) {
            stop = kind == 0 ? 1 : kind; // 1 marks a character outside every class
            break;
        }
        seen |= kind;
        underscores += kind == underscore ? 1 : 0;
    }
    profile.hasSpace = stop == space;
    profile.hasDot = stop == dot;
    profile.onlyBase64Characters = stop == 0;
    profile.hasSlash = (seen & slash) != 0;
    profile.hasHyphen = (seen & hyphen) != 0;
    profile.hasLetter = (seen & letter) != 0;
    profile.hasDigit = (seen & digit) != 0;
    profile.onlyWordPathCharacters = stop == 0 && (seen & ~(letter | digit | slash)) == 0;
    profile.underscores = underscores;
    return profile;
}

bool isBase64(QStringView t) {
    const Base64Profile profile = base64Profile(t);
    // 1. Not a path, no space, no dot.
    if (t.startsWith(QLatin1Char('/')) || t.startsWith(QLatin1String("./")) || t.startsWith(QLatin1String("../")) ||
        profile.hasSpace || profile.hasDot) {
        return false;
    }
    // 2. A word path such as owner/name: every piece between slashes alphanumeric.
    if (profile.hasSlash && profile.onlyWordPathCharacters) {
        return false;
    }
    // 3. Long enough and only Base64 characters of either alphabet.
    if (t.size() < 12 || !profile.onlyBase64Characters) {
        return false;
    }
    // 4. Hyphenated words or identifiers.
    if (profile.hasHyphen) {
        // Non-empty pieces between hyphens: runs of other characters.
        int pieces = 0;
        for (qsizetype i = 0; i < t.size() && pieces < 3; ++i) {
            if (t[i] != QLatin1Char('-') && (i == 0 || t[i - 1] == QLatin1Char('-'))) {
                ++pieces;
            }
        }
        if (pieces >= 3) {
            return false;
        }
        const qsizetype hyphen = t.indexOf(QLatin1Char('-'));
        if (t.count(QLatin1Char('-')) == 1 && hyphen > 0 && hyphen + 1 < t.size() &&
            allOf(t.left(hyphen), isAsciiLetter) && allOf(t.mid(hyphen + 1), isAsciiAlphanumeric)) {
            return false;
        }
    }
    // 5. Two words joined by one underscore.
    if (profile.underscores == 1) {
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
    if ((!profile.hasLetter || !profile.hasDigit) && t.size() <= 63) {
        return false;
    }
    // 8. Decoding in the standard alphabet ("-" as "+", "_" as "/") after padding to a
    //    multiple of four: "=" may only end the text, at most two in all.
    // 9. Re-encoding gives the text back exactly when the bits that the last partial
    //    group leaves unused are zero (the encoding is canonical).
    qsizetype padding = 0;
    while (padding < t.size() && t[t.size() - 1 - padding] == QLatin1Char('=')) {
        ++padding;
    }
    const QStringView core = t.left(t.size() - padding);
    if (core.contains(QLatin1Char('=')) || padding + (4 - t.size() % 4) % 4 > 2) {
        return false;
    }
    auto sextet = [](QChar c) -> int {
        const char16_t u = c.unicode();
        if (u >= u'A' && u <= u'Z') return u - u'A';
        if (u >= u'a' && u <= u'z') return u - u'a' + 26;
        if (u >= u'0' && u <= u'9') return u - u'0' + 52;
        return u == u'+' || u == u'-' ? 62 : 63;
    };
    switch (core.size() % 4) {
    case 0: return !core.isEmpty();
    case 2: return (sextet(core.back()) & 0x0F) == 0;
    case 3: return (sextet(core.back()) & 0x03) == 0;
    default: return false;
    }
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
