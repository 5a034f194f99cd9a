#include "Core/Utilities/ClipboardSearchText.h"

#include <QStringList>

#include <algorithm>
#include <array>
#include <unicode/locid.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include "Core/Utilities/PinyinTransliterator.h"
#include "Core/Utilities/TextScanning.h"
#include "Core/Utilities/TextUtilities.h"

namespace quellpad::ClipboardSearchText {

namespace {

bool isAsciiWhitespace(char16_t c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

// Most clipboard text is ASCII; folding it is plain lower-casing, and ASCII white
// space is the only white space in it, so ICU is not needed there.
std::optional<QString> normalizedAscii(QStringView text) {
    QString result;
    result.reserve(text.size());
    bool pendingSpace = false;
    for (QChar qc : text) {
        const char16_t c = qc.unicode();
        if (c >= 0x80) {
            return std::nullopt;
        }
        if (isAsciiWhitespace(c)) {
            pendingSpace = !result.isEmpty();
            continue;
        }
        if (pendingSpace) {
            result += QLatin1Char(' ');
            pendingSpace = false;
        }
        result += QChar(c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c);
    }
    return result;
}

QString toQString(const icu::UnicodeString& text) {
    return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

// Unpaired surrogates cannot be stored as UTF-8; they become U+FFFD for documents
// and queries alike, so both still meet.
QString withoutLoneSurrogates(QStringView text) {
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            result += c;
            result += text[++i];
        } else if (c.isSurrogate()) {
            result += QChar(QChar::ReplacementCharacter);
        } else {
            result += c;
        }
    }
    return result;
}

// Case and diacritic folding: full case folding, then the canonical decomposition
// without its non-spacing marks, recomposed. Compatibility forms (width) stay.
icu::UnicodeString folded(const QString& text) {
    icu::UnicodeString value(reinterpret_cast<const UChar*>(text.utf16()), static_cast<int32_t>(text.size()));
    value.foldCase(U_FOLD_CASE_DEFAULT);
    const icu::UnicodeString stripped = TextScanning::decomposedWithoutMarks(value);
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
    if (U_FAILURE(status)) {
        return stripped;
    }
    icu::UnicodeString composed = nfc->normalize(stripped, status);
    return U_FAILURE(status) ? stripped : composed;
}

} // namespace

QString normalizeSearchText(QStringView input) {
    // Control characters separate words like white space. They carry no text, and a
    // NUL cannot appear inside an FTS5 query phrase at all.
    QString withoutControls;
    QStringView text = input;
    for (qsizetype i = 0; i < input.size(); ++i) {
        if (input[i].category() == QChar::Other_Control) {
            if (withoutControls.isNull()) withoutControls = input.toString();
            withoutControls[i] = QLatin1Char(' ');
        }
    }
    if (!withoutControls.isNull()) text = withoutControls;
    if (std::optional<QString> ascii = normalizedAscii(text)) {
        return *ascii;
    }
    const icu::UnicodeString foldedText = folded(withoutLoneSurrogates(text));
    icu::UnicodeString joined;
    bool pendingSpace = false;
    for (int32_t i = 0; i < foldedText.length();) {
        const UChar32 c = foldedText.char32At(i);
        i += U16_LENGTH(c);
        if (u_isUWhiteSpace(c)) {
            pendingSpace = !joined.isEmpty();
            continue;
        }
        if (pendingSpace) {
            joined.append(UChar(u' '));
            pendingSpace = false;
        }
        joined.append(c);
    }
    joined.toLower(icu::Locale::getRoot());
    return toQString(joined);
}

QString compactSearchText(QStringView normalizedText) {
    QString result;
    result.reserve(normalizedText.size());
    for (QChar c : normalizedText) {
        if (c != QLatin1Char(' ')) {
            result += c;
        }
    }
    return result;
}

PinyinForms pinyinForms(QStringView text) {
    const QStringView head = text.first(std::min<qsizetype>(text.size(), pinyinPrefixCharacters * 8));
    bool hasHanCandidate = false;
    for (QChar c : head) {
        if (c.unicode() >= 0x3400) {
            hasHanCandidate = true;
            break;
        }
    }
    if (!hasHanCandidate) {
        return {};
    }
    const std::vector<qsizetype> bounds = TextUtilities::graphemeBoundaries(head);
    const size_t characters = std::min<size_t>(bounds.size() - 1, pinyinPrefixCharacters);
    QStringList syllables;
    for (size_t i = 0; i < characters; ++i) {
        const QString syllable = PinyinTransliterator::syllable(head.sliced(bounds[i], bounds[i + 1] - bounds[i]));
        if (!syllable.isEmpty()) {
            syllables.push_back(syllable);
        }
    }
    return {syllables.join(QString()), syllables.join(QLatin1Char(' '))};
}

namespace {

// Character boundaries; plain ASCII without CR has one character per unit.
std::vector<qsizetype> characterBoundaries(QStringView text) {
    for (QChar c : text) {
        if (c.unicode() >= 0x80 || c == QLatin1Char('\r')) {
            return TextUtilities::graphemeBoundaries(text);
        }
    }
    std::vector<qsizetype> bounds(static_cast<size_t>(text.size()) + 1);
    for (qsizetype i = 0; i <= text.size(); ++i) {
        bounds[static_cast<size_t>(i)] = i;
    }
    return bounds;
}

void addGrams(GramSet& grams, QStringView text, const std::vector<qsizetype>& bounds, int size) {
    const qsizetype count = static_cast<qsizetype>(bounds.size()) - 1;
    if (size <= 0 || size > count) {
        return;
    }
    for (qsizetype start = 0; start + size <= count; ++start) {
        const qsizetype from = bounds[static_cast<size_t>(start)];
        grams.insert(text.sliced(from, bounds[static_cast<size_t>(start + size)] - from).toString());
    }
}

} // namespace

GramSet searchGrams(QStringView text, std::initializer_list<int> sizes) {
    GramSet grams;
    if (text.isEmpty()) {
        return grams;
    }
    const std::vector<qsizetype> bounds = characterBoundaries(text);
    for (int size : sizes) {
        addGrams(grams, text, bounds, size);
    }
    return grams;
}

GramSet documentGrams(QStringView compactText, QStringView pinyinCompact) {
    GramSet grams = searchGrams(compactText, {2, 3});
    grams.merge(searchGrams(pinyinCompact, {2, 3}));
    return grams;
}

namespace {

// UTF-8 byte offsets of the character boundaries of text; empty when the text's
// UTF-8 form is not `utf8` (which cannot happen for normalised text).
std::vector<qsizetype> utf8Boundaries(QStringView text, const QByteArray& utf8) {
    if (utf8.size() == text.size()) { // ASCII
        return characterBoundaries(text);
    }
    std::vector<qsizetype> offsets(static_cast<size_t>(text.size()) + 1, 0);
    qsizetype offset = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        offsets[static_cast<size_t>(i)] = offset;
        const char16_t c = text[i].unicode();
        if (c < 0x80) {
            offset += 1;
        } else if (c < 0x800) {
            offset += 2;
        } else if (QChar::isHighSurrogate(c) && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1].unicode())) {
            offsets[static_cast<size_t>(i) + 1] = offset;
            offset += 4;
            ++i;
        } else {
            offset += 3;
        }
    }
    offsets[static_cast<size_t>(text.size())] = offset;
    if (offset != utf8.size()) {
        return {};
    }
    std::vector<qsizetype> bounds = TextUtilities::graphemeBoundaries(text);
    for (qsizetype& bound : bounds) {
        bound = offsets[static_cast<size_t>(bound)];
    }
    return bounds;
}

} // namespace

// QByteArray keeps its bytes on the heap, so views stay valid while `storage` grows.
namespace {

bool isPlainAscii(QStringView text) {
    for (QChar c : text) {
        if (c.unicode() >= 0x80 || c == QLatin1Char('\r')) {
            return false;
        }
    }
    return true;
}

// Plain ASCII, the common case: one byte per character, so a gram packs into an
// integer (bytes left-aligned, length last, which keeps byte order) and the
// repeats go with an integer sort instead of string comparisons.
void asciiGrams(const std::array<QByteArray*, 2>& texts, Utf8Grams& result) {
    std::vector<quint64> keys;
    for (quint64 source = 0; source < texts.size(); ++source) {
        const QByteArray& bytes = *texts[source];
        const qsizetype count = bytes.size();
        for (qsizetype size = 2; size <= 3; ++size) {
            for (qsizetype start = 0; start + size <= count; ++start) {
                quint32 code = 0;
                for (qsizetype i = 0; i < 3; ++i) {
                    code = (code << 8) | (i < size ? static_cast<unsigned char>(bytes[start + i]) : 0U);
                }
                code = (code << 8) | static_cast<quint32>(size);
                keys.push_back((quint64(code) << 32) | (source << 31) | quint64(start));
            }
        }
    }
    std::sort(keys.begin(), keys.end());
    quint64 previous = ~quint64(0);
    for (quint64 key : keys) {
        const quint64 code = key >> 32;
        if (code == previous) {
            continue;
        }
        previous = code;
        const QByteArray& bytes = *texts[(key >> 31) & 1];
        result.grams.emplace_back(bytes.constData() + (key & 0x7FFFFFFF), static_cast<size_t>(code & 0xFF));
    }
}

} // namespace

void documentGramsUtf8(QStringView compactText, QStringView pinyinCompact, Utf8Grams& result) {
    result.storage.clear();
    result.grams.clear();
    if (isPlainAscii(compactText) && isPlainAscii(pinyinCompact)) {
        result.storage.reserve(2);
        result.storage.push_back(compactText.toLatin1());
        result.storage.push_back(pinyinCompact.toLatin1());
        asciiGrams({&result.storage[0], &result.storage[1]}, result);
        return;
    }
    for (QStringView text : {compactText, pinyinCompact}) {
        if (text.size() < 2) {
            continue;
        }
        result.storage.push_back(text.toUtf8());
        const QByteArray& utf8 = result.storage.back();
        const std::vector<qsizetype> bounds = utf8Boundaries(text, utf8);
        if (bounds.empty()) {
            // Not expected for normalised text; fall back to one string per gram.
            for (const QString& gram : searchGrams(text, {2, 3})) {
                result.storage.push_back(gram.toUtf8());
                result.grams.emplace_back(result.storage.back().constData(),
                                          static_cast<size_t>(result.storage.back().size()));
            }
            continue;
        }
        const qsizetype count = static_cast<qsizetype>(bounds.size()) - 1;
        for (qsizetype size = 2; size <= 3; ++size) {
            for (qsizetype start = 0; start + size <= count; ++start) {
                const qsizetype from = bounds[static_cast<size_t>(start)];
                result.grams.emplace_back(utf8.constData() + from,
                                          static_cast<size_t>(bounds[static_cast<size_t>(start + size)] - from));
            }
        }
    }
    std::sort(result.grams.begin(), result.grams.end());
    result.grams.erase(std::unique(result.grams.begin(), result.grams.end()), result.grams.end());
}

GramSet queryGrams(QStringView compactQuery) {
    const std::vector<qsizetype> bounds = characterBoundaries(compactQuery);
    const qsizetype count = static_cast<qsizetype>(bounds.size()) - 1;
    GramSet grams;
    if (count < 2) {
        return grams;
    }
    addGrams(grams, compactQuery, bounds, count == 2 ? 2 : 3);
    return grams;
}

} // namespace quellpad::ClipboardSearchText
