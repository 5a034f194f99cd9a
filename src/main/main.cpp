// `quellpad`: starts the application, or runs one subcommand for scripting and
// headless use. Exit status: 0 success, 1 failure, 2 usage error.
#include <QCoreApplication>
#include <QString>

#include "Core/Utilities/Logger.h"
#include "cli/CliCommand.h"
#include "main/RunApplication.h"
#include "platform/linux/JsonFileDefaultsStore.h"

using namespace quellpad;

int main(int argc, char** argv) {
    if (argc <= 1) {
        return runApplication(argc, argv);
    }

    QCoreApplication app(argc, argv);
    // Subcommands are scripted: standard error carries warnings and errors only
    // (everything still reaches syslog). QUELLPAD_VERBOSE=1 shows every line.
    if (qEnvironmentVariableIsEmpty("QUELLPAD_VERBOSE")) {
        Logger::setStandardErrorMinimumLevel(LogLevel::warning);
    }
    QCoreApplication::setApplicationName(QStringLiteral("quellpad"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUELLPAD_VERSION));

    JsonFileDefaultsStore defaults(JsonFileDefaultsStore::defaultFilePath());
    StandardStreamsSink sink;
    return runCliCommand(QCoreApplication::arguments().mid(1), defaults, sink);
}
