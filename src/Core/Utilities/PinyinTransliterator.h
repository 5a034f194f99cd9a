// Mandarin-to-Latin romanisation of single Han characters, toneless and lower-case
// ("中" -> "zhong"). Shared by the capture-side search text and the search index,
// so documents and queries always meet in the same romanisation.
#pragma once

#include <QString>
#include <QStringView>

namespace quellpad::PinyinTransliterator {

// True when the code point lies in U+4E00-9FFF, U+3400-4DBF, U+20000-2A6DF or U+2A700-2B73F.
bool isHanScalar(char32_t codePoint);

// The syllable of one character (a grapheme cluster); empty when the character is
// not Han or the transliteration yields nothing. The transliterator is created once
// per thread (about 100 ms) and results are cached per code point.
QString syllable(QStringView character);

} // namespace quellpad::PinyinTransliterator
