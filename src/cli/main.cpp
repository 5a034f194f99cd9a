// `quellpad`: starts the application, or runs one subcommand for scripting and
// headless use. Exit status: 0 success, 1 failure, 2 usage error.
#include <QCoreApplication>
#include <QString>

#include "Core/Utilities/Logger.h"
#include "app/Localizer.h"
#include "cli/CliCommand.h"
#include "cli/RunApplication.h"
#include "platform/linux/JsonFileDefaultsStore.h"

using namespace quellpad;

namespace {

QString usage(const Localizer& localizer) {
    QStringList lines{localizer.text(TextKey::cliUsageLine), QString(), localizer.text(TextKey::cliNoCommandDescription),
                      QString(), localizer.text(TextKey::cliCommandsHeader)};
    for (const CliCommand& command : CliCommandRegistry::commands()) {
        lines.push_back(QStringLiteral("  %1  %2").arg(command.name, -10).arg(localizer.text(command.summary)));
    }
    lines.push_back(QString());
    lines.push_back(QStringLiteral("  --version   ") + localizer.text(TextKey::cliVersionOptionDescription));
    lines.push_back(QString());
    lines.push_back(localizer.text(TextKey::cliHelpHint));
    return lines.join(QLatin1Char('\n'));
}

} // namespace

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
    Localizer localizer(defaults);

    const QStringList arguments = QCoreApplication::arguments();
    const QString first = arguments.at(1);
    if (first == QStringLiteral("--version")) {
        printOut(QStringLiteral("quellpad ") + QCoreApplication::applicationVersion());
        return 0;
    }
    if (first == QStringLiteral("--help") || first == QStringLiteral("-h")) {
        printOut(usage(localizer));
        return 0;
    }
    const CliCommand* command = first.startsWith(QLatin1Char('-')) ? nullptr : CliCommandRegistry::find(first);
    if (command == nullptr) {
        printError(localizer.text(TextKey::cliUnknownCommand, {first}));
        printError(usage(localizer));
        return 2;
    }
    QStringList commandArguments = arguments.mid(2);
    commandArguments.prepend(QStringLiteral("quellpad ") + command->name);
    CliContext context{commandArguments, defaults, localizer};
    return command->run(context);
}
