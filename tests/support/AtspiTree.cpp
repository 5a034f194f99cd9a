#include "support/AtspiTree.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>

namespace quellpad::test {

QJsonArray accessibleTree(const QString& applicationName) {
    // The system interpreter has the AT-SPI bindings; another python3 on the PATH may not.
    const QString python = QFile::exists(QStringLiteral("/usr/bin/python3")) ? QStringLiteral("/usr/bin/python3")
                                                                             : QStringLiteral("python3");
    QProcess reader;
    reader.start(python, {QStringLiteral(QUELLPAD_TEST_SUPPORT_DIR "/atspi_tree.py"), applicationName});
    if (!reader.waitForFinished(15000)) {
        reader.kill();
        reader.waitForFinished();
        return {};
    }
    return QJsonDocument::fromJson(reader.readAllStandardOutput()).array();
}

QJsonArray accessibleTreeWhen(const QString& applicationName, const std::function<bool(const QJsonArray&)>& predicate,
                              int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    QJsonArray tree;
    do {
        tree = accessibleTree(applicationName);
        if (predicate(tree)) break;
    } while (!deadline.hasExpired());
    return tree;
}

std::optional<QJsonObject> findAccessible(const QJsonArray& tree, const QString& name, const QString& role) {
    for (const QJsonValue& node : tree) {
        if (node[QStringLiteral("name")].toString() == name &&
            (role.isEmpty() || node[QStringLiteral("role")].toString() == role)) {
            return node.toObject();
        }
    }
    return std::nullopt;
}

bool accessibleHasState(const QJsonArray& tree, const QString& name, const QString& state, const QString& role) {
    const std::optional<QJsonObject> node = findAccessible(tree, name, role);
    return node && (*node)[QStringLiteral("states")].toArray().contains(state);
}

} // namespace quellpad::test
