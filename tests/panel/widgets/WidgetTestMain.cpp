// Widget tests need a QApplication (the shared test main makes a QGuiApplication). The
// Fusion style draws the same on every machine, so screenshots compare across runs.
#include <gtest/gtest.h>

#include <QApplication>
#include <QStyleFactory>

#include "Core/Utilities/Logger.h"
#include "panel/widgets/PanelDemo.h"

int main(int argc, char** argv) {
    const bool demo = argc > 1 && qstrcmp(argv[1], "--panel-demo") == 0;
    if (!demo) {
        ::testing::InitGoogleTest(&argc, argv);
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    if (qEnvironmentVariableIsEmpty("QUELLPAD_TEST_LOGS")) {
        quellpad::Logger::setWritesToStandardError(false);
    }
    if (demo) {
        QApplication::setApplicationName(QStringLiteral("QuellpadPanelDemo"));
        return quellpad::test::runPanelDemo();
    }
    return RUN_ALL_TESTS();
}
