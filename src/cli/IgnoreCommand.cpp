// `quellpad ignore list [--json]`, `quellpad ignore add ID`, `quellpad ignore remove ID`:
// the applications whose copies are never recorded, through the same settings
// operations as the settings window (removing a default entry records the opt-out).
// A running app picks the change up at its next poll.
#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonDocument>

#include "localization/Localizer.h"
#include "capture/ClipboardIgnoredAppsSettings.h"
#include "cli/CliCommand.h"
#include "cli/CliOutput.h"
#include "platform/DefaultsStore.h"
#include "platform/linux/XdgApplicationRegistry.h"

namespace quellpad {

namespace {

int runIgnore(CliContext& context) {
    const Localizer& text = context.localizer;
    QCommandLineParser parser;
    parser.setApplicationDescription(text.text(TextKey::cliIgnoreSummary));
    const QCommandLineOption json(QStringLiteral("json"), text.text(TextKey::cliJsonOptionDescription));
    parser.addOption(json);
    parser.addPositionalArgument(QStringLiteral("ACTION"), text.text(TextKey::cliIgnoreActionDescription),
                                 QStringLiteral("list | add ID | remove ID"));
    if (!parseSubcommandArguments(parser, context)) {
        return 2;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        printError(text.text(TextKey::cliMissingArgument, {QStringLiteral("ACTION")}));
        printError(parser.helpText());
        return 2;
    }
    const QString action = positional.first();
    if (action != QLatin1String("list") && action != QLatin1String("add") && action != QLatin1String("remove")) {
        printError(text.text(TextKey::cliIgnoreUnknownAction, {action}));
        printError(parser.helpText());
        return 2;
    }
    const qsizetype expected = action == QLatin1String("list") ? 1 : 2;
    if (positional.size() < expected) {
        printError(text.text(TextKey::cliMissingArgument, {QStringLiteral("ID")}));
        printError(parser.helpText());
        return 2;
    }
    if (positional.size() > expected) {
        printError(text.text(TextKey::cliUnexpectedArgument, {positional.at(expected)}));
        printError(parser.helpText());
        return 2;
    }

    ClipboardIgnoredAppsSettings settings(context.defaults, std::make_shared<XdgApplicationRegistry>());
    if (action == QLatin1String("list")) {
        const QStringList identifiers = settings.ignoredAppBundleIdentifiers();
        if (parser.isSet(json)) {
            printOut(QString::fromUtf8(QJsonDocument(QJsonArray::fromStringList(identifiers)).toJson(QJsonDocument::Compact)));
        } else {
            for (const QString& identifier : identifiers) {
                printOut(identifier);
            }
        }
        return 0;
    }
    const QString identifier = positional.at(1).trimmed();
    if (identifier.isEmpty()) {
        printError(text.text(TextKey::cliIgnoreEmptyIdentifier));
        return 2;
    }
    if (action == QLatin1String("add")) {
        if (!settings.addIgnoredApp(identifier)) {
            printError(text.text(TextKey::cliIgnoreAlreadyListed, {identifier}));
            return 1;
        }
        if (const std::optional<QString> error = context.defaults.lastWriteError()) {
            printError(text.text(TextKey::cliOperationFailed, {*error}));
            return 1;
        }
        printOut(text.text(TextKey::cliIgnoreAdded, {identifier}));
        return 0;
    }
    if (!settings.removeIgnoredApp(identifier)) {
        printError(text.text(TextKey::cliIgnoreNotListed, {identifier}));
        return 1;
    }
    if (const std::optional<QString> error = context.defaults.lastWriteError()) {
        printError(text.text(TextKey::cliOperationFailed, {*error}));
        return 1;
    }
    printOut(text.text(TextKey::cliIgnoreRemoved, {identifier}));
    return 0;
}

const CliCommandRegistration registration({QStringLiteral("ignore"), TextKey::cliIgnoreSummary, runIgnore});

} // namespace

} // namespace quellpad
