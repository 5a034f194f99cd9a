#include "Core/Utilities/Hashing.h"

#include <QCryptographicHash>

namespace quellpad::Hashing {

QString sha256Hex(const QByteArray& bytes) {
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

} // namespace quellpad::Hashing
