// `quellpad pause`, `quellpad resume` and `quellpad status [--json]`: talk to the
// running app over its per-user command socket.
#include <signal.h>

#include <QCommandLineParser>
#include <QJsonDocument>

#include "app/AppCommandServer.h"
#include "app/SingleInstanceGuard.h"
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
        // A busy app still holds its instance lock: say so instead of "not running".
        const qint64 pid = reply ? 0 : SingleInstanceGuard().otherInstancePid();
        const bool running = pid > 0 && ::kill(static_cast<pid_t>(pid), 0) == 0;
        printError(context.localizer.text(running ? TextKey::cliNotResponding : TextKey::cliNotRunning));
        return 1;
    }
    const QString notCapturing = reply->value(QStringLiteral("notCapturingReason")).toString();
    if (parser.isSet(json)) {
        printOut(QString::fromUtf8(QJsonDocument(*reply).toJson(QJsonDocument::Compact)));
    } else if (!notCapturing.isEmpty()) {
        printError(context.localizer.text(TextKey::cliNotRecording, {notCapturing}));
    } else {
        printOut(context.localizer.text(reply->value(QStringLiteral("paused")).toBool() ? TextKey::cliRecordingPaused
                                                                                        : TextKey::cliRecordingActive));
    }
    return notCapturing.isEmpty() ? 0 : 1;
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
