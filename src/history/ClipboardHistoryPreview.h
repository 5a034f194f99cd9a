// The stored one-line preview of an item and the text searched without the index.
// Lengths count extended grapheme clusters.
#pragma once

#include <optional>

#include <QSize>
#include <QString>

namespace quellpad::ClipboardHistoryPreview {

inline constexpr qsizetype maximumPreviewCharacters = 80;
// Characters at the start of a text whose Han runs get their pinyin spelled out.
inline constexpr qsizetype searchTextPinyinPrefixCharacters = 100;

// The preview of a text item; nullopt when the text has no non-empty line (such a
// text is not stored at all).
std::optional<QString> textPreview(const QString& text);

// "Image 1920x1080", or "Image" when either side is below 1 pixel.
QString imagePreview(QSize pixelSize);

// The capture-side search text: Han runs among the first 100 characters are preceded
// by "(" compact-pinyin " " spaced-pinyin ")"; everything else is copied unchanged.
QString searchText(const QString& text);

// JSON with the white space outside string literals removed, when the trimmed text
// starts with "{" or "[" and parses as an object or array.
std::optional<QString> jsonSummary(const QString& text);

} // namespace quellpad::ClipboardHistoryPreview
