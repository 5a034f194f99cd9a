#include "Core/Utilities/TextScanning.h"

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

namespace quellpad::TextScanning {

bool isRegexSpace(char32_t c) { return u_isUWhiteSpace(static_cast<UChar32>(c)); }

char32_t codePointAt(QStringView text, qsizetype i, qsizetype* length) {
    const QChar c = text[i];
    if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
        if (length != nullptr) {
            *length = 2;
        }
        return QChar::surrogateToUcs4(c, text[i + 1]);
    }
    if (length != nullptr) {
        *length = 1;
    }
    return c.unicode();
}

void forEachLine(QStringView text, const std::function<bool(QStringView line)>& visit) {
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (!isLineTerminator(c)) {
            continue;
        }
        if (!visit(text.mid(start, i - start))) {
            return;
        }
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) {
            ++i;
        }
        start = i + 1;
    }
    if (start < text.size()) {
        visit(text.mid(start));
    }
}

QStringView trimmedSpacesAndTabs(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    while (begin < end && blank(text[begin])) {
        ++begin;
    }
    while (end > begin && blank(text[end - 1])) {
        --end;
    }
    return text.mid(begin, end - begin);
}

bool startsWithAsciiInsensitive(QStringView text, QLatin1String lowerPrefix) {
    if (text.size() < lowerPrefix.size()) {
        return false;
    }
    for (qsizetype i = 0; i < lowerPrefix.size(); ++i) {
        if (asciiLower(text[i].unicode()) != static_cast<char16_t>(lowerPrefix[i].unicode())) {
            return false;
        }
    }
    return true;
}

icu::UnicodeString decomposedWithoutMarks(const icu::UnicodeString& text) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(status);
    icu::UnicodeString decomposed = U_SUCCESS(status) ? nfd->normalize(text, status) : text;
    if (U_FAILURE(status)) {
        decomposed = text;
    }
    icu::UnicodeString stripped;
    stripped.getBuffer(decomposed.length());
    stripped.releaseBuffer(0);
    for (int32_t i = 0; i < decomposed.length();) {
        const UChar32 c = decomposed.char32At(i);
        if (u_charType(c) != U_NON_SPACING_MARK) {
            stripped.append(c);
        }
        i += U16_LENGTH(c);
    }
    return stripped;
}

QString foldCaseAndDiacritics(QStringView text) {
    const icu::UnicodeString source(false, reinterpret_cast<const UChar*>(text.utf16()),
                                    static_cast<int32_t>(text.size()));
    icu::UnicodeString stripped = decomposedWithoutMarks(source);
    stripped.foldCase(U_FOLD_CASE_DEFAULT);
    return QString(reinterpret_cast<const QChar*>(stripped.getBuffer()), stripped.length());
}

} // namespace quellpad::TextScanning
