// Runs the tests inside a QCoreApplication so that queued notifications, timers and
// main-thread hand-offs work as in the application.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include "Core/Utilities/Logger.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    // Tests check log lines through LogCapture; echoing them only clutters CTest output.
    if (qEnvironmentVariableIsEmpty("QUELLPAD_TEST_LOGS")) {
        quellpad::Logger::setWritesToStandardError(false);
    }
    return RUN_ALL_TESTS();
}
