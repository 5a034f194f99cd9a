// `quellpad autostart [status|enable|disable] [--json]`: the login item, the same
// entry the settings window switches.
#include <QCommandLineParser>
#include <QJsonDocument>
#include <QJsonObject>

#include "app/LaunchAtLoginManager.h"
#include "cli/CliCommand.h"
#include "cli/CliOutput.h"
#include "localization/Localizer.h"

namespace quellpad {

namespace {

int runAutostart(CliContext& context) {
    const Localizer& text = context.localizer;
    QCommandLineParser parser;
    parser.setApplicationDescription(text.text(TextKey::cliAutostartSummary));
    const QCommandLineOption json(QStringLiteral("json"), text.text(TextKey::cliJsonOptionDescription));
    parser.addOption(json);
    parser.addPositionalArgument(QStringLiteral("ACTION"), text.text(TextKey::cliAutostartActionDescription),
                                 QStringLiteral("[status | enable | disable]"));
    if (!parseSubcommandArguments(parser, context)) {
        return 2;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1) {
        printError(text.text(TextKey::cliUnexpectedArgument, {positional.at(1)}));
        return 2;
    }
    const QString action = positional.isEmpty() ? QStringLiteral("status") : positional.first();
    if (action != QLatin1String("status") && action != QLatin1String("enable") && action != QLatin1String("disable")) {
        printError(text.text(TextKey::cliAutostartUnknownAction, {action}));
        return 2;
    }
    XdgAutostartLaunchAtLoginManager manager;
    if (action != QLatin1String("status")) {
        try {
            manager.setEnabled(action == QLatin1String("enable"));
        } catch (const LaunchAtLoginManagerError& error) {
            printError(text.text(TextKey::cliOperationFailed, {error.description()}));
            return 1;
        }
    }
    const bool enabled = manager.status() == LaunchAtLoginStatus::enabled;
    if (parser.isSet(json)) {
        const QJsonObject object{{QStringLiteral("enabled"), enabled},
                                 {QStringLiteral("status"), static_cast<int>(manager.status())},
                                 {QStringLiteral("entry"), manager.entryPath()}};
        printOut(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)));
    } else {
        printOut(enabled ? text.text(TextKey::cliAutostartEnabled, {manager.entryPath()})
                         : text.text(TextKey::cliAutostartDisabled));
    }
    return 0;
}

const CliCommandRegistration registration({QStringLiteral("autostart"), TextKey::cliAutostartSummary, runAutostart});

} // namespace

} // namespace quellpad
