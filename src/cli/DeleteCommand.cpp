// `quellpad delete ID` and `quellpad clear --yes`.
#include <QCommandLineParser>

#include "localization/Localizer.h"
#include "cli/CliCommand.h"
#include "cli/CliOutput.h"
#include "cli/CliServices.h"
#include "history/ClipboardHistoryRepository.h"

namespace quellpad {

namespace {

int runDelete(CliContext& context) {
    QCommandLineParser parser;
    parser.setApplicationDescription(context.localizer.text(TextKey::cliDeleteSummary));
    parser.addPositionalArgument(QStringLiteral("ID"), context.localizer.text(TextKey::cliDeleteSummary));
    if (!parseSubcommandArguments(parser, context) || !expectPositionalArguments(parser, 1, QStringLiteral("ID"), context)) {
        return 2;
    }
    const QString id = parser.positionalArguments().first();
    CliServices services(context);
    if (!services.open()) {
        return 1;
    }
    QFuture<std::optional<ClipboardHistoryContentSnapshot>> existing = services.repository->getContentSnapshotById(id);
    existing.waitForFinished();
    if (!existing.result()) {
        printError(context.localizer.text(TextKey::cliUnknownItem, {id}));
        return 1;
    }
    services.repository->deleteItem(id);
    if (const std::optional<ClipboardHistoryWriteError> error = services.repository->lastWriteError()) {
        printError(context.localizer.text(TextKey::cliOperationFailed, {error->description}));
        return 1;
    }
    return 0;
}

int runClear(CliContext& context) {
    QCommandLineParser parser;
    parser.setApplicationDescription(context.localizer.text(TextKey::cliClearSummary));
    const QCommandLineOption yes(QStringLiteral("yes"), context.localizer.text(TextKey::cliClearYesOptionDescription));
    parser.addOption(yes);
    if (!parseSubcommandArguments(parser, context) || !expectPositionalArguments(parser, 0, QString(), context)) {
        return 2;
    }
    if (!parser.isSet(yes)) {
        printError(context.localizer.text(TextKey::cliClearNeedsYes));
        return 2;
    }
    CliServices services(context);
    if (!services.open()) {
        return 1;
    }
    services.repository->clearAll();
    if (const std::optional<ClipboardHistoryWriteError> error = services.repository->lastWriteError()) {
        printError(context.localizer.text(TextKey::cliOperationFailed, {error->description}));
        return 1;
    }
    return 0;
}

const CliCommandRegistration deleteRegistration({QStringLiteral("delete"), TextKey::cliDeleteSummary, runDelete});
const CliCommandRegistration clearRegistration({QStringLiteral("clear"), TextKey::cliClearSummary, runClear});

} // namespace

} // namespace quellpad
