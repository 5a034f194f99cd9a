// `quellpad ocr [--json] [FILE]`: the text recognised in an image file (or standard
// input), with the OCR language settings and the same recogniser as capture.
// Exit status 1 when the input is not an image or recognition fails.
#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "settings/AppPreferences.h"
#include "localization/Localizer.h"
#include "capture/ClipboardImageTextRecognizer.h"
#include "cli/CliCommand.h"
#include "cli/CliInput.h"
#include "cli/CliOutput.h"
#include "platform/linux/TesseractTextRecognitionEngine.h"

namespace quellpad {

namespace {

int runOcr(CliContext& context) {
    const Localizer& text = context.localizer;
    QCommandLineParser parser;
    parser.setApplicationDescription(text.text(TextKey::cliOcrSummary));
    const QCommandLineOption json(QStringLiteral("json"), text.text(TextKey::cliJsonOptionDescription));
    parser.addOption(json);
    parser.addPositionalArgument(QStringLiteral("FILE"), text.text(TextKey::cliFileArgumentDescription),
                                 QStringLiteral("[FILE]"));
    if (!parseSubcommandArguments(parser, context)) {
        return 2;
    }
    if (parser.positionalArguments().size() > 1) {
        printError(text.text(TextKey::cliUnexpectedArgument, {parser.positionalArguments().at(1)}));
        printError(parser.helpText());
        return 2;
    }
    const AppPreferences preferences(context.defaults);
    const std::optional<QByteArray> bytes =
        readCliInput(parser.positionalArguments().value(0), preferences.maxItemSizeInBytes(), context);
    if (!bytes) {
        return 1;
    }
    ClipboardImageTextRecognizer recognizer(std::make_unique<TesseractTextRecognitionEngine>(), context.defaults);
    QFuture<ClipboardImageTextRecognition> future = recognizer.recognize(*bytes);
    future.waitForFinished();
    const ClipboardImageTextRecognition result = future.result();
    switch (result.status) {
    case ClipboardImageTextRecognition::Status::notAnImage:
        printError(text.text(TextKey::cliNotAnImage));
        return 1;
    case ClipboardImageTextRecognition::Status::failed:
    case ClipboardImageTextRecognition::Status::skipped:
        printError(text.text(TextKey::cliOcrFailed, {result.errorDescription}));
        return 1;
    case ClipboardImageTextRecognition::Status::recognized:
        break;
    }
    if (parser.isSet(json)) {
        const ClipboardOCRConfiguration configuration = preferences.ocrConfiguration();
        QJsonArray lines;
        for (const QString& line : result.lines) {
            lines.append(line);
        }
        const QJsonObject object{
            {QStringLiteral("text"), result.text},
            {QStringLiteral("lines"), lines},
            {QStringLiteral("languageMode"), rawValue(configuration.mode)},
            {QStringLiteral("specifiedLanguage"), rawValue(configuration.language)},
            {QStringLiteral("recognitionLanguages"), QJsonArray::fromStringList(result.languagesUsed)},
            {QStringLiteral("width"), result.imageSize.width()},
            {QStringLiteral("height"), result.imageSize.height()},
        };
        printOut(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)));
    } else if (!result.text.isEmpty()) {
        printOut(result.text);
    }
    return 0;
}

const CliCommandRegistration registration({QStringLiteral("ocr"), TextKey::cliOcrSummary, runOcr});

} // namespace

} // namespace quellpad
