#include "cli/CliOutput.h"

#include <QJsonDocument>
#include <QJsonObject>

#include "localization/Localizer.h"
#include "cli/CliCommand.h"

namespace quellpad {

namespace {

QJsonValue optionalString(const std::optional<QString>& value) {
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

} // namespace

QString isoDate(const QDateTime& date) {
    return date.toUTC().toString(Qt::ISODateWithMs);
}

QString snapshotJsonLine(const ClipboardHistoryIndexSnapshot& snapshot) {
    QJsonObject object{
        {QStringLiteral("id"), snapshot.id},
        {QStringLiteral("preview"), snapshot.preview},
        {QStringLiteral("contentType"), rawValue(snapshot.contentType)},
        {QStringLiteral("classification"), optionalString(snapshot.classification)},
        {QStringLiteral("bundleIdentifier"), optionalString(snapshot.bundleIdentifier)},
        {QStringLiteral("createdAt"), isoDate(snapshot.createdAt)},
        {QStringLiteral("lastAccessedAt"),
         snapshot.lastAccessedAt ? QJsonValue(isoDate(*snapshot.lastAccessedAt)) : QJsonValue(QJsonValue::Null)},
        // JSON numbers are doubles for most readers; counts stay far below 2^53.
        {QStringLiteral("accessCount"), static_cast<double>(snapshot.accessCount)},
    };
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

QString snapshotPlainLine(const ClipboardHistoryIndexSnapshot& snapshot) {
    return snapshot.id + QStringLiteral("  ") + snapshot.createdAt.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")) +
           QStringLiteral("  ") + snapshot.classification.value_or(QStringLiteral("-")) + QStringLiteral("  ") +
           snapshot.preview;
}

std::optional<int> countOption(const QCommandLineParser& parser, const QCommandLineOption& option, int defaultValue,
                               const CliContext& context) {
    if (!parser.isSet(option)) {
        return defaultValue;
    }
    bool ok = false;
    const QString text = parser.value(option);
    const int value = text.toInt(&ok);
    if (!ok || value < 0) {
        printError(context.localizer.text(TextKey::cliInvalidNumber, {QStringLiteral("--") + option.names().first(), text}));
        return std::nullopt;
    }
    return value;
}

bool expectPositionalArguments(const QCommandLineParser& parser, qsizetype count, const QString& name,
                               const CliContext& context) {
    const QStringList positional = parser.positionalArguments();
    if (positional.size() < count) {
        printError(context.localizer.text(TextKey::cliMissingArgument, {name}));
        printError(parser.helpText());
        return false;
    }
    if (positional.size() > count) {
        printError(context.localizer.text(TextKey::cliUnexpectedArgument, {positional.at(count)}));
        printError(parser.helpText());
        return false;
    }
    return true;
}

} // namespace quellpad
