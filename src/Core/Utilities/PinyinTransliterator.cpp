#include "Core/Utilities/PinyinTransliterator.h"

#include <memory>
#include <unordered_map>

#include <unicode/translit.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include "Core/Utilities/Logger.h"
#include "Core/Utilities/TextUtilities.h"

namespace quellpad::PinyinTransliterator {

namespace {

// Han-Latin romanises; the rest strips the tone marks, like a strip-diacritics transform.
constexpr const char* transformId = "Han-Latin; NFD; [:Nonspacing Mark:] Remove; NFC";

icu::Transliterator* transliterator() {
    thread_local std::unique_ptr<icu::Transliterator> instance = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::Transliterator> created(
            icu::Transliterator::createInstance(transformId, UTRANS_FORWARD, status));
        if (U_FAILURE(status)) {
            Logger::error(QStringLiteral("Failed to create the Han-Latin transliterator: ") +
                              QString::fromLatin1(u_errorName(status)),
                          QStringLiteral("ClipboardSearch"));
            created.reset();
        }
        return created;
    }();
    return instance.get();
}

QString transliterate(QStringView character) {
    icu::Transliterator* instance = transliterator();
    if (instance == nullptr) {
        return {};
    }
    icu::UnicodeString text(reinterpret_cast<const UChar*>(character.utf16()), static_cast<int32_t>(character.size()));
    instance->transliterate(text);
    text.toLower(icu::Locale::getRoot());
    const QString result =
        QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
    const QString trimmed = TextUtilities::trimmedWhitespace(result);
    // ICU leaves a few rare characters untouched; they contribute nothing.
    for (QChar c : trimmed) {
        if (c.unicode() >= 0x2E80) {
            return {};
        }
    }
    return trimmed;
}

} // namespace

bool isHanScalar(char32_t c) {
    return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x20000 && c <= 0x2A6DF) ||
           (c >= 0x2A700 && c <= 0x2B73F);
}

QString syllable(QStringView character) {
    if (character.isEmpty()) {
        return {};
    }
    const char32_t first = QChar::surrogateToUcs4(character[0], character.size() > 1 ? character[1] : QChar());
    const char32_t scalar = character[0].isHighSurrogate() ? first : character[0].unicode();
    if (!isHanScalar(scalar)) {
        return {};
    }
    const qsizetype scalarLength = scalar > 0xFFFF ? 2 : 1;
    if (character.size() != scalarLength) {
        // A Han base with a variation selector or similar: rare, not cached.
        return transliterate(character);
    }
    thread_local std::unordered_map<char32_t, QString> cache;
    auto found = cache.find(scalar);
    if (found != cache.end()) {
        return found->second;
    }
    QString result = transliterate(character);
    cache.emplace(scalar, result);
    return result;
}

} // namespace quellpad::PinyinTransliterator
