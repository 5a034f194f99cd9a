// `quellpad paths [--json]`: where the data and the settings live.
#include <QCommandLineParser>
#include <QJsonDocument>
#include <QJsonObject>

#include "localization/Localizer.h"
#include "cli/CliCommand.h"
#include "history/DataDirectoryManager.h"
#include "platform/linux/JsonFileDefaultsStore.h"

namespace quellpad {

namespace {

int runPaths(CliContext& context) {
    QCommandLineParser parser;
    parser.setApplicationDescription(context.localizer.text(TextKey::cliPathsSummary));
    const QCommandLineOption json(QStringLiteral("json"), context.localizer.text(TextKey::cliJsonOptionDescription));
    parser.addOption(json);
    if (!parseSubcommandArguments(parser, context)) {
        return 2;
    }
    if (!parser.positionalArguments().isEmpty()) {
        printError(context.localizer.text(TextKey::cliUnexpectedArgument, {parser.positionalArguments().first()}));
        printError(parser.helpText());
        return 2;
    }
    DataDirectoryManager manager(context.defaults);
    const QString settings = JsonFileDefaultsStore::defaultFilePath();
    if (parser.isSet(json)) {
        const QJsonObject object{{QStringLiteral("dataDirectory"), manager.dataDirectoryPath()},
                                 {QStringLiteral("historyStore"), manager.storeFilePath()},
                                 {QStringLiteral("searchIndex"), manager.searchIndexFilePath()},
                                 {QStringLiteral("settings"), settings}};
        printOut(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)));
        return 0;
    }
    printOut(context.localizer.text(TextKey::cliPathsDataDirectory, {manager.dataDirectoryPath()}));
    printOut(context.localizer.text(TextKey::cliPathsHistoryStore, {manager.storeFilePath()}));
    printOut(context.localizer.text(TextKey::cliPathsSearchIndex, {manager.searchIndexFilePath()}));
    printOut(context.localizer.text(TextKey::cliPathsSettings, {settings}));
    return 0;
}

const CliCommandRegistration registration({QStringLiteral("paths"), TextKey::cliPathsSummary, runPaths});

} // namespace

} // namespace quellpad
