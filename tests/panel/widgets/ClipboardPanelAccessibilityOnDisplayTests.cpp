// The panel as assistive tools see it: the demo panel runs on the test display and
// AT-SPI (tests/support/atspi_tree.py) reads its search field and rows from outside.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QProcess>

#include "support/AtspiTree.h"

namespace quellpad {
namespace {

const QString demoName = QStringLiteral("QuellpadPanelDemo");

bool isSelected(const QJsonArray& tree, const QString& name) {
    return test::accessibleHasState(tree, name, QStringLiteral("selected"), QStringLiteral("list item"));
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
    QJsonArray tree = test::accessibleTreeWhen(demoName, [&](const QJsonArray& t) { return isSelected(t, first); });
    ASSERT_TRUE(isSelected(tree, first)) << QJsonDocument(tree).toJson().toStdString();
    const auto field = test::findAccessible(tree, QStringLiteral("Search clipboard history"));
    ASSERT_TRUE(field);
    EXPECT_TRUE((*field)[QStringLiteral("states")].toArray().contains(QStringLiteral("editable")));
    EXPECT_TRUE(test::findAccessible(tree, QStringLiteral("Clipboard history")));
    EXPECT_TRUE(test::findAccessible(tree, QStringLiteral("Item details")));
    EXPECT_TRUE(test::findAccessible(tree, QStringLiteral("https://example.com/panel")));
    EXPECT_FALSE(isSelected(tree, second));

    demo.write("down\n");
    demo.waitForBytesWritten(5000); // no event loop here writes it otherwise
    tree = test::accessibleTreeWhen(demoName, [&](const QJsonArray& t) { return isSelected(t, second); });
    EXPECT_TRUE(isSelected(tree, second));
    EXPECT_FALSE(isSelected(tree, first));

    demo.write("quit\n");
    demo.waitForBytesWritten(5000);
    EXPECT_TRUE(demo.waitForFinished(10000));
}

} // namespace
} // namespace quellpad
