// `quellpad pause`, `quellpad resume` and `quellpad status [--json]`: talk to the
// running app over its per-user command socket.
#include <QCommandLineParser>
#include <QJsonDocument>

#include "app/AppCommandServer.h"
#include "localization/Localizer.h"
#include "cli/CliCommand.h"
#include "cli/CliOutput.h"

namespace quellpad {

namespace {

int runRemote(CliContext& context, const QString& command, TextKey summary) {
    QCommandLineParser parser;
    parser.setApplicationDescription(context.localizer.text(summary));
    const QCommandLineOption json(QStringLiteral("json"), context.localizer.text(TextKey::cliJsonOptionDescription));
    parser.addOption(json);
    if (!parseSubcommandArguments(parser, context) || !expectPositionalArguments(parser, 0, QString(), context)) {
        return 2;
    }
    const std::optional<QJsonObject> reply = AppCommandServer::send(AppCommandServer::defaultSocketPath(), command);
    if (!reply || !reply->value(QStringLiteral("ok")).toBool()) {
        printError(context.localizer.text(TextKey::cliNotRunning));
        return 1;
    }
    if (parser.isSet(json)) {
        printOut(QString::fromUtf8(QJsonDocument(*reply).toJson(QJsonDocument::Compact)));
    } else {
        printOut(context.localizer.text(reply->value(QStringLiteral("paused")).toBool() ? TextKey::cliRecordingPaused
                                                                                        : TextKey::cliRecordingActive));
    }
    return 0;
}

const CliCommandRegistration pauseRegistration(
    {QStringLiteral("pause"), TextKey::cliPauseSummary,
     [](CliContext& context) { return runRemote(context, QStringLiteral("pause"), TextKey::cliPauseSummary); }});
const CliCommandRegistration resumeRegistration(
    {QStringLiteral("resume"), TextKey::cliResumeSummary,
     [](CliContext& context) { return runRemote(context, QStringLiteral("resume"), TextKey::cliResumeSummary); }});
const CliCommandRegistration statusRegistration(
    {QStringLiteral("status"), TextKey::cliStatusSummary,
     [](CliContext& context) { return runRemote(context, QStringLiteral("status"), TextKey::cliStatusSummary); }});

} // namespace

} // namespace quellpad
