// `quellpad classify [--json] [FILE]`: how the text in FILE (or standard input) would be
// classified on copy, with the current detector settings and user rules.
// `quellpad classify --window` opens the running app's classification window instead,
// the way in where the desktop has no tray.
#include <QCommandLineParser>

#include <nlohmann/json.hpp>

#include "app/AppCommandServer.h"
#include "cli/CliOutput.h"
#include "localization/Localizer.h"
#include "classification/LocalClipboardClassificationService.h"
#include "cli/CliCommand.h"
#include "cli/CliInput.h"

namespace quellpad {

namespace {

// Far above any copy worth classifying; keeps a runaway pipe from exhausting memory.
constexpr qint64 maximumInputBytes = qint64(256) * 1024 * 1024;

int runClassify(CliContext& context) {
    const Localizer& localizer = context.localizer;
    QCommandLineParser parser;
    parser.setApplicationDescription(localizer.text(TextKey::cliClassifySummary));
    const QCommandLineOption json(QStringLiteral("json"), localizer.text(TextKey::cliJsonOptionDescription));
    parser.addOption(json);
    const QCommandLineOption window(QStringLiteral("window"), localizer.text(TextKey::cliClassifyWindowOption));
    parser.addOption(window);
    parser.addPositionalArgument(QStringLiteral("FILE"), localizer.text(TextKey::cliFileArgumentDescription),
                                 QStringLiteral("[FILE]"));
    if (!parseSubcommandArguments(parser, context)) {
        return 2;
    }
    const QStringList positional = parser.positionalArguments();
    if (parser.isSet(window)) {
        if (!positional.isEmpty()) {
            printError(localizer.text(TextKey::cliUnexpectedArgument, {positional.first()}));
            return 2;
        }
        const std::optional<QJsonObject> reply =
            AppCommandServer::send(AppCommandServer::defaultSocketPath(), QStringLiteral("classification"));
        if (!reply || !reply->value(QStringLiteral("ok")).toBool()) {
            printError(localizer.text(TextKey::cliNotRunning));
            return 1;
        }
        return 0;
    }
    if (positional.size() > 1) {
        printError(localizer.text(TextKey::cliUnexpectedArgument, {positional.at(1)}));
        printError(parser.helpText());
        return 2;
    }
    const std::optional<QString> text = readCliTextInput(positional.value(0), maximumInputBytes, context);
    if (!text) {
        return 1;
    }

    const LocalClipboardClassificationService service;
    const ClipboardClassificationResult result = service.classify(*text, context.defaults);
    if (parser.isSet(json)) {
        auto utf8 = [](const QString& value) { return value.toStdString(); };
        nlohmann::ordered_json object;
        object["system"] = nlohmann::ordered_json::array();
        for (const ClipboardClassificationMatch& match : result.systemClassifications) {
            object["system"].push_back(utf8(rawValue(match.classification)));
        }
        object["user"] = nlohmann::ordered_json::array();
        for (const QString& label : result.userClassifications) {
            object["user"].push_back(utf8(label));
        }
        object["primary"] = utf8(result.primaryClassification);
        const std::optional<QString> stored = storedClassification(result);
        object["stored"] = stored ? nlohmann::ordered_json(utf8(*stored)) : nlohmann::ordered_json(nullptr);
        // Labels come from valid text, so the dump cannot meet invalid UTF-8; replace to be sure.
        printOut(QString::fromStdString(object.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace)));
        return 0;
    }
    QStringList systemNames;
    for (const ClipboardClassificationMatch& match : result.systemClassifications) {
        systemNames.push_back(localizer.text(definition(match.classification).displayNameKey));
    }
    printOut(result.primaryClassification);
    printOut(localizer.text(TextKey::classificationTestSystem, {systemNames.join(QStringLiteral(", "))}));
    printOut(localizer.text(TextKey::classificationTestUser, {result.userClassifications.join(QStringLiteral(", "))}));
    return 0;
}

const CliCommandRegistration registration({QStringLiteral("classify"), TextKey::cliClassifySummary, runClassify});

} // namespace

} // namespace quellpad
