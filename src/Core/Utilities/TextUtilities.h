// Unicode helpers shared by previews, search documents and the command line.
// "Characters" here are extended grapheme clusters, as a user counts them.
#pragma once

#include <optional>
#include <vector>

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace quellpad::TextUtilities {

// UTF-16 offsets of every grapheme cluster boundary, starting with 0 and ending
// with text.size(). An empty text gives {0}.
std::vector<qsizetype> graphemeBoundaries(QStringView text);

qsizetype graphemeCount(QStringView text);

// The first `count` grapheme clusters of text (the whole text when it has fewer).
QString graphemePrefix(QStringView text, qsizetype count);

// Like graphemePrefix, and also reports whether anything was cut off.
QString graphemePrefix(QStringView text, qsizetype count, bool* truncated);

// Strict UTF-8 decoding: nullopt when the bytes are not valid UTF-8.
std::optional<QString> decodeUtf8(const QByteArray& bytes);

// True when text holds a UTF-16 surrogate without its partner (it cannot become UTF-8).
bool hasLoneSurrogate(QStringView text);

// Trims white space and newlines (Unicode White_Space) at both ends.
QString trimmedWhitespace(QStringView text);

// True for a Unicode White_Space code point.
bool isWhitespace(char32_t codePoint);

} // namespace quellpad::TextUtilities
