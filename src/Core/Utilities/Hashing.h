// SHA-256 digests written as 64 lower-case hexadecimal characters.
#pragma once

#include <QByteArray>
#include <QString>

namespace quellpad::Hashing {

QString sha256Hex(const QByteArray& bytes);

} // namespace quellpad::Hashing
