// `quellpad add [--app ID] [--created TIME] [--image] [FILE]` and `quellpad add --jsonl FILE`:
// store text or an image exactly as a copy would be stored.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include "settings/AppPreferences.h"
#include "localization/Localizer.h"
#include "capture/ClipboardCaptureRecorder.h"
#include "capture/ClipboardImageTextRecognizer.h"
#include "capture/ClipboardPayloadReader.h"
#include "classification/LocalClipboardClassificationService.h"
#include "cli/CliCommand.h"
#include "cli/CliInput.h"
#include "cli/CliOutput.h"
#include "cli/CliServices.h"
#include "history/ClipboardHistoryAutoCleanupRunner.h"
#include "history/ClipboardHistoryRepository.h"
#include "platform/QtImageCodec.h"
#include "platform/linux/TesseractTextRecognitionEngine.h"

namespace quellpad {

namespace {

// A capture time far in the future would sort first for ever; one before 1970 is a mistake.
constexpr int maximumYearsAhead = 100;

// ISO-8601 (a time without zone is local time) or seconds since 1970, from 1970 up to
// 100 years from now.
std::optional<QDateTime> parseTime(const QString& text) {
    const QDateTime latest = QDateTime::currentDateTimeUtc().addYears(maximumYearsAhead);
    bool isNumber = false;
    const double seconds = text.toDouble(&isNumber);
    if (isNumber) {
        if (!std::isfinite(seconds) || seconds < 0 || seconds > static_cast<double>(latest.toSecsSinceEpoch())) {
            return std::nullopt;
        }
        return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(seconds * 1000.0), Qt::UTC);
    }
    QDateTime date = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!date.isValid()) {
        date = QDateTime::fromString(text, Qt::ISODate);
    }
    if (!date.isValid() || date.toMSecsSinceEpoch() < 0 || date > latest) {
        return std::nullopt;
    }
    return date.toUTC();
}

struct AddSession {
    explicit AddSession(CliContext& cliContext) : context(cliContext) {}

    CliContext& context;
    std::shared_ptr<SettableClock> clock = std::make_shared<SettableClock>();
    CliServices services{context, clock};
    std::unique_ptr<ClipboardCaptureRecorder> recorder;
    std::shared_ptr<LocalClipboardClassificationService> classifier = std::make_shared<LocalClipboardClassificationService>();

    bool open() {
        if (!services.open()) {
            return false;
        }
        auto runner = std::make_shared<ClipboardHistoryAutoCleanupRunner>(services.repository, context.defaults, 3600.0);
        DefaultsStore& defaults = context.defaults;
        ClipboardTextClassifier classify = [classifier = classifier, &defaults](const QString& text) {
            return storedClassification(classifier->classify(text, defaults));
        };
        // An added image becomes searchable by its text, as a copied one does.
        auto recognizer = std::make_shared<ClipboardImageTextRecognizer>(
            std::make_unique<TesseractTextRecognitionEngine>(), context.defaults);
        recorder = std::make_unique<ClipboardCaptureRecorder>(
            ClipboardCaptureRecorderDependencies{services.repository, runner, recognizer, classify});
        return true;
    }

    // Waits for recognition that fills the item in, running the main loop it reports on.
    static void waitFor(const ClipboardCaptureResult& result) {
        if (!result.recognition) {
            return;
        }
        while (!result.recognition->isFinished()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        }
        QCoreApplication::processEvents();
    }
};

int importJsonLines(AddSession& session, const QString& path, qint64 maxBytes) {
    const Localizer& text = session.context.localizer;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        printError(text.text(TextKey::cliCannotReadFile, {path, file.errorString()}));
        return 1;
    }
    qint64 stored = 0;
    qint64 failed = 0;
    qint64 lineNumber = 0;
    while (!file.atEnd()) {
        // A line longer than the item limit (plus JSON overhead) is never held whole.
        QByteArray line = file.readLine(maxBytes * 2 + 1024);
        ++lineNumber;
        if (!line.endsWith('\n') && !file.atEnd()) {
            printError(text.text(TextKey::cliInvalidJsonLine,
                                 {QString::number(lineNumber), text.text(TextKey::cliItemTooLarge, {QString::number(maxBytes / 1048576)})}));
            while (!file.atEnd() && !file.readLine(1 << 20).endsWith('\n')) {
            }
            continue;
        }
        if (line.trimmed().isEmpty()) {
            continue;
        }
        auto skip = [&](const QString& reason) {
            printError(text.text(TextKey::cliInvalidJsonLine, {QString::number(lineNumber), reason}));
        };
        QJsonParseError parseError{};
        const QJsonDocument document = QJsonDocument::fromJson(line, &parseError);
        if (parseError.error != QJsonParseError::NoError || !document.isObject()) {
            skip(parseError.error != QJsonParseError::NoError ? parseError.errorString() : QStringLiteral("not a JSON object"));
            continue;
        }
        const QJsonObject object = document.object();
        if (!object.value(QStringLiteral("text")).isString()) {
            skip(QStringLiteral("\"text\" must be a string"));
            continue;
        }
        const QString itemText = object.value(QStringLiteral("text")).toString();
        if (itemText.toUtf8().size() > maxBytes) {
            skip(text.text(TextKey::cliItemTooLarge, {QString::number(maxBytes / 1048576)}));
            continue;
        }
        std::optional<QString> app;
        if (object.contains(QStringLiteral("app")) && !object.value(QStringLiteral("app")).isNull()) {
            if (!object.value(QStringLiteral("app")).isString()) {
                skip(QStringLiteral("\"app\" must be a string"));
                continue;
            }
            app = object.value(QStringLiteral("app")).toString();
        }
        QDateTime created;
        const QJsonValue createdValue = object.value(QStringLiteral("createdAt"));
        if (!createdValue.isUndefined() && !createdValue.isNull()) {
            const std::optional<QDateTime> parsed =
                createdValue.isDouble() ? parseTime(QString::number(createdValue.toDouble(), 'f', 3))
                                        : (createdValue.isString() ? parseTime(createdValue.toString()) : std::nullopt);
            if (!parsed) {
                skip(text.text(TextKey::cliInvalidTime, {QString::fromUtf8(QJsonDocument(QJsonObject{{QStringLiteral("v"), createdValue}}).toJson(QJsonDocument::Compact))}));
                continue;
            }
            created = *parsed;
        }
        session.clock->set(created);
        const std::optional<ClipboardCaptureResult> result =
            session.recorder->recordText({itemText, std::nullopt, std::nullopt}, app);
        if (!result) {
            skip(text.text(TextKey::cliNothingToStore));
            continue;
        }
        if (result->error) {
            ++failed;
            skip(text.text(TextKey::cliOperationFailed, {*result->error}));
            continue;
        }
        ++stored;
    }
    printOut(text.text(TextKey::cliImportedCount, {QString::number(stored)}));
    return failed == 0 ? 0 : 1;
}

int runAdd(CliContext& context) {
    const Localizer& text = context.localizer;
    QCommandLineParser parser;
    parser.setApplicationDescription(text.text(TextKey::cliAddSummary));
    const QCommandLineOption app(QStringLiteral("app"), text.text(TextKey::cliAddAppOptionDescription), QStringLiteral("ID"));
    const QCommandLineOption created(QStringLiteral("created"), text.text(TextKey::cliAddCreatedOptionDescription),
                                     QStringLiteral("TIME"));
    const QCommandLineOption image(QStringLiteral("image"), text.text(TextKey::cliAddImageOptionDescription));
    const QCommandLineOption jsonl(QStringLiteral("jsonl"), text.text(TextKey::cliAddJsonlOptionDescription),
                                   QStringLiteral("FILE"));
    parser.addOptions({app, created, image, jsonl});
    parser.addPositionalArgument(QStringLiteral("FILE"), text.text(TextKey::cliFileArgumentDescription),
                                 QStringLiteral("[FILE]"));
    if (!parseSubcommandArguments(parser, context)) {
        return 2;
    }
    if (parser.positionalArguments().size() > (parser.isSet(jsonl) ? 0 : 1)) {
        printError(text.text(TextKey::cliUnexpectedArgument, {parser.positionalArguments().last()}));
        printError(parser.helpText());
        return 2;
    }
    std::optional<QDateTime> createdAt;
    if (parser.isSet(created)) {
        createdAt = parseTime(parser.value(created));
        if (!createdAt) {
            printError(text.text(TextKey::cliInvalidTime, {parser.value(created)}));
            return 2;
        }
    }
    const qint64 maxBytes = AppPreferences(context.defaults).maxItemSizeInBytes();
    AddSession session(context);
    if (parser.isSet(jsonl)) {
        if (!session.open()) {
            return 1;
        }
        return importJsonLines(session, parser.value(jsonl), maxBytes);
    }
    const QString path = parser.positionalArguments().value(0);
    const std::optional<QString> source = parser.isSet(app) ? std::optional<QString>(parser.value(app)) : std::nullopt;
    std::optional<ClipboardCaptureResult> result;
    if (parser.isSet(image)) {
        const std::optional<QByteArray> bytes = readCliInput(path, maxBytes, context);
        if (!bytes) {
            return 1;
        }
        QtImageCodec codec;
        const std::optional<ClipboardImagePayload> payload = ClipboardPayloadReader::imagePayload(*bytes, codec);
        if (!payload) {
            printError(text.text(TextKey::cliNotAnImage));
            return 1;
        }
        if (!session.open()) {
            return 1;
        }
        session.clock->set(createdAt.value_or(QDateTime()));
        result = session.recorder->recordImage(*payload, source, AppPreferences(context.defaults).imageOCREnabled());
    } else {
        const std::optional<QString> input = readCliTextInput(path, maxBytes, context);
        if (!input) {
            return 1;
        }
        if (!session.open()) {
            return 1;
        }
        session.clock->set(createdAt.value_or(QDateTime()));
        result = session.recorder->recordText({*input, std::nullopt, std::nullopt}, source);
        if (!result) {
            printError(text.text(TextKey::cliNothingToStore));
            return 1;
        }
    }
    if (result->error) {
        printError(text.text(TextKey::cliOperationFailed, {*result->error}));
        return 1;
    }
    AddSession::waitFor(*result);
    printOut(result->id);
    return 0;
}

const CliCommandRegistration registration({QStringLiteral("add"), TextKey::cliAddSummary, runAdd});

} // namespace

} // namespace quellpad
