// What image text recognition reads from the settings at each recognition.
#pragma once

#include <array>

#include "Core/Utilities/RawValueEnum.h"

namespace quellpad {

enum class ClipboardOCRLanguageMode { specified, automatic };

inline constexpr std::array<RawValueCase<ClipboardOCRLanguageMode>, 2> clipboardOCRLanguageModeCases{{
    {ClipboardOCRLanguageMode::specified, "specified"},
    {ClipboardOCRLanguageMode::automatic, "automatic"},
}};

// In the order the settings list them; the first is the default.
enum class ClipboardOCRLanguage { englishUS, simplifiedChinese, traditionalChinese, japanese, korean };

inline constexpr std::array<RawValueCase<ClipboardOCRLanguage>, 5> clipboardOCRLanguageCases{{
    {ClipboardOCRLanguage::englishUS, "en-US"},
    {ClipboardOCRLanguage::simplifiedChinese, "zh-Hans"},
    {ClipboardOCRLanguage::traditionalChinese, "zh-Hant"},
    {ClipboardOCRLanguage::japanese, "ja-JP"},
    {ClipboardOCRLanguage::korean, "ko-KR"},
}};

inline QString rawValue(ClipboardOCRLanguageMode mode) { return rawValueOf(clipboardOCRLanguageModeCases, mode); }
inline QString rawValue(ClipboardOCRLanguage language) { return rawValueOf(clipboardOCRLanguageCases, language); }

struct ClipboardOCRConfiguration {
    ClipboardOCRLanguageMode mode = ClipboardOCRLanguageMode::specified;
    ClipboardOCRLanguage language = ClipboardOCRLanguage::englishUS;

    bool operator==(const ClipboardOCRConfiguration&) const = default;
};

} // namespace quellpad
