// The plain string of an RTF or HTML rendition, used when a copy carries rich text
// but no plain text. Both readers are small, iterative (no recursion, so deep
// nesting cannot overflow the stack) and never fail: unknown markup is dropped.
#pragma once

#include <QByteArray>
#include <QString>

namespace quellpad::ClipboardRichTextPlainText {

// Paragraphs and line breaks become "\n"; \uN and \'hh escapes are decoded (code
// page 1252 for \'hh); font tables, pictures and other destinations are skipped.
QString fromRTF(const QByteArray& rtf);

// Tags are dropped, block ends and <br> become "\n", entities are decoded, runs of
// source white space collapse to one space; script, style and head are skipped.
// Honours a byte-order mark, else reads UTF-8.
QString fromHTML(const QByteArray& html);

} // namespace quellpad::ClipboardRichTextPlainText
