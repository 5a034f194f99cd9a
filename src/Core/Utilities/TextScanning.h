// Small text scanners shared by the detectors, user rules and the formatters. Where a
// helper stands in for a regular-expression construct, it follows ICU's definition
// exactly (tests compare them code point by code point).
#pragma once

#include <functional>

#include <QLatin1String>
#include <QString>
#include <QStringView>

#include <unicode/unistr.h>

namespace quellpad::TextScanning {

// A line terminator as ICU's "." and multi-line "^" see it: LF, VT, FF, CR, NEL,
// LINE SEPARATOR, PARAGRAPH SEPARATOR.
constexpr bool isLineTerminator(char32_t c) {
    return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

// ICU's \s.
bool isRegexSpace(char32_t c);

// The code point at i (a lone surrogate stands for itself) and its length in UTF-16 units.
char32_t codePointAt(QStringView text, qsizetype i, qsizetype* length = nullptr);

// Calls visit for each line of text, split at every line terminator (CR LF counts as
// one), the way a text view enumerates lines: empty lines in between are visited, a
// final terminator does not start another line, and an empty text has no lines.
// Stops when visit returns false.
void forEachLine(QStringView text, const std::function<bool(QStringView line)>& visit);

// Trims spaces and tabs only.
QStringView trimmedSpacesAndTabs(QStringView text);

// A-Z only, as lower-casing a text changes ASCII letters; other characters unchanged.
inline char16_t asciiLower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }
// text begins with lowerPrefix when ASCII capitals are lower-cased.
bool startsWithAsciiInsensitive(QStringView text, QLatin1String lowerPrefix);

// The canonical decomposition of text without its non-spacing marks (not recomposed):
// the diacritic stripping that classification and search share.
icu::UnicodeString decomposedWithoutMarks(const icu::UnicodeString& text);

// Case-folded text without diacritics (canonical decomposition, non-spacing marks
// removed, full case folding): the form for "ignoring letter case and diacritics".
QString foldCaseAndDiacritics(QStringView text);

} // namespace quellpad::TextScanning
