// `quellpad show ID [--output FILE]`: an item's text on standard output, or its
// content (text or image bytes) written to FILE.
#include <cstdio>

#include <QCommandLineParser>
#include <QSaveFile>

#include "localization/Localizer.h"
#include "cli/CliCommand.h"
#include "cli/CliOutput.h"
#include "cli/CliServices.h"
#include "history/ClipboardHistoryRepository.h"

namespace quellpad {

namespace {

int runShow(CliContext& context) {
    QCommandLineParser parser;
    parser.setApplicationDescription(context.localizer.text(TextKey::cliShowSummary));
    const QCommandLineOption output(QStringLiteral("output"), context.localizer.text(TextKey::cliOutputOptionDescription),
                                    QStringLiteral("FILE"));
    parser.addOption(output);
    parser.addPositionalArgument(QStringLiteral("ID"), context.localizer.text(TextKey::cliShowSummary));
    if (!parseSubcommandArguments(parser, context) || !expectPositionalArguments(parser, 1, QStringLiteral("ID"), context)) {
        return 2;
    }
    const QString id = parser.positionalArguments().first();
    CliServices services(context);
    if (!services.open()) {
        return 1;
    }
    QFuture<std::optional<ClipboardHistoryContentSnapshot>> future = services.repository->getContentSnapshotById(id);
    future.waitForFinished();
    const std::optional<ClipboardHistoryContentSnapshot> content = future.result();
    if (!content) {
        printError(context.localizer.text(TextKey::cliUnknownItem, {id}));
        return 1;
    }
    const QByteArray bytes = content->imageData ? *content->imageData : content->content.toUtf8();
    if (parser.isSet(output)) {
        QSaveFile file(parser.value(output));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
            printError(context.localizer.text(TextKey::cliCannotWriteFile, {parser.value(output), file.errorString()}));
            return 1;
        }
        return 0;
    }
    if (content->imageData) {
        printError(context.localizer.text(TextKey::cliImageNeedsOutput));
        return 1;
    }
    // The text exactly as stored: no newline is added.
    writeOutBytes(bytes);
    return 0;
}

const CliCommandRegistration registration({QStringLiteral("show"), TextKey::cliShowSummary, runShow});

} // namespace

} // namespace quellpad
