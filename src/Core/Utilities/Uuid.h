// Item identifiers: upper-case hyphenated UUID strings, e.g. "5F0B...-...".
#pragma once

#include <QString>

namespace quellpad::Uuid {

// A new random (version 4) identifier in upper case with hyphens, without braces.
QString makeString();

// True for exactly 36 characters of upper- or lower-case hex in the 8-4-4-4-12 shape.
bool isWellFormed(const QString& text);

} // namespace quellpad::Uuid
