// Strict JSON validation straight over UTF-16 text, for the JSON detectors: the same
// answers as parsing the text's UTF-8 form with the JSON parser (RFC 8259 grammar,
// paired \u surrogate escapes, numbers that overflow to infinity refused, nesting
// limited), at a fraction of the cost, since nothing is converted or built. A copied
// 10 MB JSON document is checked on the main thread on every copy.
#pragma once

#include <QStringView>

namespace quellpad::JSONTextValidator {

// True when text is exactly one JSON object or array (JSON white space around it
// allowed), nested at most maxDepth deep.
bool isContainer(QStringView text, int maxDepth);

} // namespace quellpad::JSONTextValidator
