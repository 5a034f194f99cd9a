// Pretty-prints JSON in the platform writer's shape: two-space indentation, one
// member or element per line, `"key" : value`, forward slashes written as `\/`.
// Object keys keep the input's order (repeated keys are all kept), integers keep every
// digit, and other numbers are written exactly as they appear in the input, so
// nothing the user copied is rounded or dropped. Empty containers stay `{}` / `[]`.
//
// The parser and the writer are iterative (event-driven), so nesting costs no stack;
// nesting beyond the platform reader's limit and output beyond a size limit are
// refused with a FormattingError.
#pragma once

#include <QString>
#include <QStringView>

namespace quellpad {

class JSONPrettyPrinter {
public:
    // UTF-8 bytes of output at most, so a hostile text (a 10 MB array nested 500
    // deep, each element indented 1000 spaces) cannot exhaust memory.
    static constexpr qsizetype maximumOutputBytes = qsizetype(128) * 1024 * 1024;

    // Throws FormattingError: invalidEncoding (lone surrogate), invalidJSON (with the
    // parser's message), notContainer, nestingTooDeep, outputTooLarge, encodingFailure.
    static QString prettyPrinted(QStringView text);
};

} // namespace quellpad
