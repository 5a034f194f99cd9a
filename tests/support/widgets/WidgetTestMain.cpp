// The main of a widget test folder that brings none of its own: widget tests need a
// QApplication (the shared test main makes a QGuiApplication), and the Fusion style draws
// the same on every machine, so screenshots compare across runs.
#include <gtest/gtest.h>

#include <QApplication>
#include <QStyleFactory>

#include "Core/Utilities/Logger.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    if (qEnvironmentVariableIsEmpty("QUELLPAD_TEST_LOGS")) {
        quellpad::Logger::setWritesToStandardError(false);
    }
    return RUN_ALL_TESTS();
}
