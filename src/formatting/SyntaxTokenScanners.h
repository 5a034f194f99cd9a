// Linear scanners that find exactly the matches ICU finds for three highlighting
// patterns, left to right and without overlap:
//   quoted strings   "(?:\\.|[^"\\])*"  and  '([^'\\]|\\.)*'
//   JSON keys        "(?:\\.|[^"\\])*"(?=\s*:)
//   block comments   /\*[^*]*\*+([^/*][^*]*\*+)*/
// The backtracking engine keeps one stack frame per character inside a string, so a
// long string value (an embedded image, say) overflows its stack and stops colouring,
// and a text full of escaped quotes costs quadratic time. Tests compare these scanners
// with ICU on generated texts.
#pragma once

#include <functional>

#include <QStringView>

namespace quellpad::SyntaxTokenScanners {

using Visitor = std::function<void(qsizetype start, qsizetype end)>;

void forEachQuotedString(QStringView text, char16_t quote, const Visitor& visit);
void forEachJSONKey(QStringView text, const Visitor& visit);
void forEachBlockComment(QStringView text, const Visitor& visit);

} // namespace quellpad::SyntaxTokenScanners
