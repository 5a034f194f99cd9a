// `quellpad toggle` and `quellpad paste ID`: the panel shortcut and the panel's pick,
// for desktops where a global grab is impossible (bind a shortcut to `quellpad
// toggle`) and for scripts.
#include <QCommandLineParser>
#include <QJsonDocument>

#include "app/AppCommandServer.h"
#include "cli/CliCommand.h"
#include "cli/CliOutput.h"
#include "localization/Localizer.h"

namespace quellpad {

namespace {

// The paste waits for the window to become active again (under a second).
constexpr int pasteTimeoutMs = 5000;

int runToggle(CliContext& context) {
    QCommandLineParser parser;
    parser.setApplicationDescription(context.localizer.text(TextKey::cliToggleSummary));
    if (!parseSubcommandArguments(parser, context) || !expectPositionalArguments(parser, 0, QString(), context)) {
        return 2;
    }
    const std::optional<QJsonObject> reply = AppCommandServer::send(AppCommandServer::defaultSocketPath(),
                                                                    QStringLiteral("toggle"));
    if (!reply || !reply->value(QStringLiteral("ok")).toBool()) {
        printError(context.localizer.text(TextKey::cliNotRunning));
        return 1;
    }
    printOut(context.localizer.text(reply->value(QStringLiteral("panelVisible")).toBool() ? TextKey::cliPanelShown
                                                                                         : TextKey::cliPanelHidden));
    return 0;
}

int runPaste(CliContext& context) {
    QCommandLineParser parser;
    parser.setApplicationDescription(context.localizer.text(TextKey::cliPasteSummary));
    parser.addPositionalArgument(QStringLiteral("ID"), context.localizer.text(TextKey::cliPasteIdDescription));
    if (!parseSubcommandArguments(parser, context) || !expectPositionalArguments(parser, 1, QStringLiteral("ID"), context)) {
        return 2;
    }
    const QString id = parser.positionalArguments().first().trimmed();
    if (id.isEmpty() || id.contains(QLatin1Char('\n'))) {
        printError(context.localizer.text(TextKey::cliUnknownItem, {id}));
        return 1;
    }
    const std::optional<QJsonObject> reply =
        AppCommandServer::send(AppCommandServer::defaultSocketPath(), QStringLiteral("paste ") + id, pasteTimeoutMs);
    if (!reply || !reply->value(QStringLiteral("ok")).toBool()) {
        printError(context.localizer.text(TextKey::cliNotRunning));
        return 1;
    }
    if (!reply->value(QStringLiteral("pasted")).toBool()) {
        printError(context.localizer.text(TextKey::cliPasteNotPasted, {reply->value(QStringLiteral("message")).toString()}));
        return 1;
    }
    return 0;
}

const CliCommandRegistration toggleRegistration({QStringLiteral("toggle"), TextKey::cliToggleSummary, runToggle});
const CliCommandRegistration pasteRegistration({QStringLiteral("paste"), TextKey::cliPasteSummary, runPaste});

} // namespace

} // namespace quellpad
