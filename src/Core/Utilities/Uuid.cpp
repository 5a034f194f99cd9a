#include "Core/Utilities/Uuid.h"

#include <QRegularExpression>
#include <QUuid>

namespace quellpad::Uuid {

QString makeString() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

bool isWellFormed(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral(
        "^[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}$"));
    return pattern.match(text).hasMatch();
}

} // namespace quellpad::Uuid
