// Runs the tests inside a QGuiApplication on the offscreen platform, so that queued
// notifications, timers, main-thread hand-offs and font rendering work as in the app.
#include <gtest/gtest.h>

#include <QGuiApplication>

#include "Core/Utilities/Logger.h"
#include "support/TestChildProcess.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    // Tests check log lines through LogCapture; echoing them only clutters CTest output.
    if (qEnvironmentVariableIsEmpty("QUELLPAD_TEST_LOGS")) {
        quellpad::Logger::setWritesToStandardError(false);
    }
    if (const std::optional<int> childExit = quellpad::test::runRequestedChild()) {
        return *childExit;
    }
    return RUN_ALL_TESTS();
}
