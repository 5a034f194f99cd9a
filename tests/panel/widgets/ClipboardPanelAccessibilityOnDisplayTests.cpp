// The panel as assistive tools see it: the demo panel runs on the test display and
// AT-SPI (tests/support/atspi_tree.py) reads its search field and rows from outside.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

namespace quellpad {
namespace {

const QString atspiTree = QStringLiteral(QUELLPAD_TEST_SUPPORT_DIR "/atspi_tree.py");

QJsonArray accessibleTree() {
    QProcess reader;
    // The system interpreter has the AT-SPI bindings; another python3 on the PATH may not.
    const QString python = QFile::exists(QStringLiteral("/usr/bin/python3")) ? QStringLiteral("/usr/bin/python3")
                                                                             : QStringLiteral("python3");
    reader.start(python, {atspiTree, QStringLiteral("QuellpadPanelDemo")});
    if (!reader.waitForFinished(15000)) {
        reader.kill();
        reader.waitForFinished();
        return {};
    }
    return QJsonDocument::fromJson(reader.readAllStandardOutput()).array();
}

std::optional<QJsonObject> named(const QJsonArray& tree, const QString& name) {
    for (const QJsonValue& node : tree) {
        if (node[QStringLiteral("name")].toString() == name) return node.toObject();
    }
    return std::nullopt;
}

bool isSelected(const QJsonArray& tree, const QString& name) {
    const auto node = named(tree, name);
    return node && (*node)[QStringLiteral("states")].toArray().contains(QStringLiteral("selected"));
}

// Reads the tree until predicate holds or the deadline passes; returns the last tree.
QJsonArray treeWhen(const std::function<bool(const QJsonArray&)>& predicate, int timeoutMs = 20000) {
    const QDeadlineTimer deadline(timeoutMs);
    QJsonArray tree;
    do {
        tree = accessibleTree();
        if (predicate(tree)) break;
    } while (!deadline.hasExpired());
    return tree;
}

bool waitForLine(QProcess& process, const QByteArray& line, int timeoutMs = 20000) {
    const QDeadlineTimer deadline(timeoutMs);
    QByteArray seen;
    while (!deadline.hasExpired()) {
        if (process.canReadLine() || process.waitForReadyRead(200)) {
            seen += process.readAll();
            if (seen.contains(line)) return true;
        }
        if (process.state() == QProcess::NotRunning) return false;
    }
    return false;
}

TEST(ClipboardPanelOnDisplay, AssistiveToolsSeeTheFieldTheRowsAndWhichRowIsSelected) {
    if (qEnvironmentVariableIsEmpty("DISPLAY") || qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) {
        GTEST_SKIP() << "needs the test desktop (scripts/test-environment.sh)";
    }
    QProcess demo;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
    demo.setProcessEnvironment(environment);
    demo.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--panel-demo")});
    ASSERT_TRUE(waitForLine(demo, "ready")) << demo.readAllStandardError().toStdString();

    const QString first = QStringLiteral("Quarterly numbers for the board");
    const QString second = QStringLiteral("会议纪要：明天下午三点");
    QJsonArray tree = treeWhen([&](const QJsonArray& t) { return isSelected(t, first); });
    ASSERT_TRUE(isSelected(tree, first)) << QJsonDocument(tree).toJson().toStdString();
    const auto field = named(tree, QStringLiteral("Search clipboard history"));
    ASSERT_TRUE(field);
    EXPECT_TRUE((*field)[QStringLiteral("states")].toArray().contains(QStringLiteral("editable")));
    EXPECT_TRUE(named(tree, QStringLiteral("Clipboard history")));
    EXPECT_TRUE(named(tree, QStringLiteral("Item details")));
    EXPECT_TRUE(named(tree, QStringLiteral("https://example.com/panel")));
    EXPECT_FALSE(isSelected(tree, second));

    demo.write("down\n");
    demo.waitForBytesWritten(5000); // no event loop here writes it otherwise
    tree = treeWhen([&](const QJsonArray& t) { return isSelected(t, second); });
    EXPECT_TRUE(isSelected(tree, second));
    EXPECT_FALSE(isSelected(tree, first));

    demo.write("quit\n");
    demo.waitForBytesWritten(5000);
    EXPECT_TRUE(demo.waitForFinished(10000));
}

} // namespace
} // namespace quellpad
