// Runs the tests inside a QCoreApplication so that queued notifications, timers and
// main-thread hand-offs work as in the application.
#include <gtest/gtest.h>

#include <memory>

#include <QCoreApplication>
#include <QGuiApplication>

#include "Core/Utilities/Logger.h"

// A test executable that draws text (fonts need the GUI application) defines this
// to return true; it then runs inside a QGuiApplication on the offscreen platform.
extern "C" __attribute__((weak)) bool quellpadTestsNeedGuiApplication();

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    std::unique_ptr<QCoreApplication> app;
    if (quellpadTestsNeedGuiApplication != nullptr && quellpadTestsNeedGuiApplication()) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    // Tests check log lines through LogCapture; echoing them only clutters CTest output.
    if (qEnvironmentVariableIsEmpty("QUELLPAD_TEST_LOGS")) {
        quellpad::Logger::setWritesToStandardError(false);
    }
    return RUN_ALL_TESTS();
}
