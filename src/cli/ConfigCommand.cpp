// `quellpad config list [--json] | get KEY | set KEY VALUE | unset KEY`: every setting
// with its type. Values are typed on the command line as the readers expect them
// (true/false, whole numbers, JSON arrays and objects), so a value of the wrong type
// is refused before anything is written. The running app follows the settings file.
#include <cmath>

#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include "cli/CliCommand.h"
#include "cli/CliOutput.h"
#include "hotkey/KeyCombo.h"
#include "localization/Localizer.h"
#include "platform/DefaultsStore.h"
#include "settings/PreferenceCatalog.h"
#include "settings/PreferenceKeys.h"

namespace quellpad {

namespace {

struct Parsed {
    std::optional<QVariant> value;
    QString error;
};

Parsed invalid(const QString& reason) { return {std::nullopt, reason}; }

std::optional<QJsonDocument> parseJson(const QString& text, QString* error) {
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        *error = parseError.errorString();
        return std::nullopt;
    }
    return document;
}

Parsed parseValue(const PreferenceDescriptor& descriptor, const QString& text) {
    QString error;
    switch (descriptor.type) {
    case PreferenceType::boolean:
        if (text == QStringLiteral("true")) return {QVariant(true), {}};
        if (text == QStringLiteral("false")) return {QVariant(false), {}};
        return invalid(QStringLiteral("expected true or false"));
    case PreferenceType::integer: {
        bool ok = false;
        const qlonglong value = text.toLongLong(&ok);
        if (!ok) return invalid(QStringLiteral("expected a whole number"));
        return {QVariant(value), {}};
    }
    case PreferenceType::floatingPoint: {
        bool ok = false;
        const double value = text.toDouble(&ok);
        if (!ok || !std::isfinite(value)) return invalid(QStringLiteral("expected a number"));
        return {QVariant(value), {}};
    }
    case PreferenceType::string: return {QVariant(text), {}};
    case PreferenceType::stringArray: {
        const std::optional<QJsonDocument> document = parseJson(text, &error);
        if (!document || !document->isArray()) {
            return invalid(document ? QStringLiteral("expected a JSON array of strings") : error);
        }
        QStringList strings;
        for (const QJsonValue& element : document->array()) {
            if (!element.isString()) return invalid(QStringLiteral("expected a JSON array of strings"));
            strings << element.toString();
        }
        return {QVariant(strings), {}};
    }
    case PreferenceType::dictionary: {
        const std::optional<QJsonDocument> document = parseJson(text, &error);
        if (!document || !document->isObject()) return invalid(document ? QStringLiteral("expected a JSON object") : error);
        QVariantMap map;
        const QJsonObject object = document->object();
        for (auto it = object.begin(); it != object.end(); ++it) {
            if (it->isDouble()) {
                map.insert(it.key(), it->toDouble());
            } else if (it->isString() || it->isBool()) {
                map.insert(it.key(), it->toVariant());
            } else {
                return invalid(QStringLiteral("values must be numbers, strings or Booleans"));
            }
        }
        return {QVariant(map), {}};
    }
    case PreferenceType::json: {
        if (!parseJson(text, &error)) return invalid(error);
        if (descriptor.key == PreferenceKeys::clipboardHistoryHotkey && !KeyCombo::fromJson(text.toUtf8(), &error)) {
            return invalid(error);
        }
        return {QVariant(text.toUtf8()), {}};
    }
    case PreferenceType::bytes: {
        const auto decoded = QByteArray::fromBase64Encoding(text.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded) return invalid(QStringLiteral("expected Base64"));
        return {QVariant(*decoded), {}};
    }
    }
    return invalid(QStringLiteral("unsupported type"));
}

// The stored value as JSON; JSON-holding bytes as the document they hold.
QJsonValue jsonOf(const PreferenceDescriptor& descriptor, const QVariant& value) {
    if (!value.isValid()) return QJsonValue::Null;
    if (value.typeId() == QMetaType::QByteArray) {
        const QByteArray bytes = value.toByteArray();
        if (descriptor.type == PreferenceType::json) {
            const QJsonDocument document = QJsonDocument::fromJson(bytes);
            if (document.isObject()) return document.object();
            if (document.isArray()) return document.array();
        }
        return QString::fromLatin1(bytes.toBase64());
    }
    return QJsonValue::fromVariant(value);
}

QString textOf(const PreferenceDescriptor& descriptor, const QVariant& value) {
    const QJsonValue json = jsonOf(descriptor, value);
    if (json.isString()) return json.toString();
    if (json.isBool()) return json.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    if (json.isDouble()) return value.toString();
    if (json.isArray()) return QString::fromUtf8(QJsonDocument(json.toArray()).toJson(QJsonDocument::Compact));
    if (json.isObject()) return QString::fromUtf8(QJsonDocument(json.toObject()).toJson(QJsonDocument::Compact));
    return {};
}

int runConfig(CliContext& context) {
    const Localizer& text = context.localizer;
    QCommandLineParser parser;
    parser.setApplicationDescription(text.text(TextKey::cliConfigSummary));
    parser.addPositionalArgument(QStringLiteral("action"), text.text(TextKey::cliConfigActionDescription));
    const QCommandLineOption json(QStringLiteral("json"), text.text(TextKey::cliJsonOptionDescription));
    parser.addOption(json);
    // Everything after the action is positional, so `set KEY -3` is a value, not an option.
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    if (!parseSubcommandArguments(parser, context)) {
        return 2;
    }
    QStringList arguments = parser.positionalArguments();
    const bool asJson = parser.isSet(json) || (arguments.value(0) == QStringLiteral("list") &&
                                               arguments.removeAll(QStringLiteral("--json")) > 0);
    const QString action = arguments.value(0);
    const qsizetype expected = action == QStringLiteral("list") ? 1
                               : action == QStringLiteral("set") ? 3
                               : (action == QStringLiteral("get") || action == QStringLiteral("unset")) ? 2
                                                                                                        : -1;
    if (expected < 0) {
        printError(text.text(action.isEmpty() ? TextKey::cliConfigActionDescription : TextKey::cliConfigUnknownAction,
                             {action}));
        return 2;
    }
    if (arguments.size() != expected) {
        printError(arguments.size() < expected ? text.text(TextKey::cliMissingArgument, {QStringLiteral("KEY")})
                                               : text.text(TextKey::cliUnexpectedArgument, {arguments.at(expected)}));
        return 2;
    }
    if (action == QStringLiteral("list")) {
        for (const PreferenceDescriptor& descriptor : preferenceCatalog()) {
            const QVariant value = context.defaults.object(descriptor.key);
            if (asJson) {
                const QJsonObject line{{QStringLiteral("key"), descriptor.key},
                                       {QStringLiteral("type"), preferenceTypeName(descriptor.type)},
                                       {QStringLiteral("value"), jsonOf(descriptor, value)}};
                printOut(QString::fromUtf8(QJsonDocument(line).toJson(QJsonDocument::Compact)));
            } else {
                printOut(descriptor.key + QLatin1Char('\t') + preferenceTypeName(descriptor.type) + QLatin1Char('\t') +
                         (value.isValid() ? textOf(descriptor, value) : QStringLiteral("-")));
            }
        }
        return 0;
    }
    const std::optional<PreferenceDescriptor> descriptor = preferenceDescriptor(arguments.at(1));
    if (!descriptor) {
        printError(text.text(TextKey::cliConfigUnknownKey, {arguments.at(1)}));
        return 2;
    }
    if (action == QStringLiteral("get")) {
        const QVariant value = context.defaults.object(descriptor->key);
        if (!value.isValid()) {
            printError(text.text(TextKey::cliConfigNotSet, {descriptor->key}));
            return 1;
        }
        printOut(textOf(*descriptor, value));
        return 0;
    }
    if (action == QStringLiteral("unset")) {
        context.defaults.remove(descriptor->key);
        return 0;
    }
    const Parsed parsed = parseValue(*descriptor, arguments.at(2));
    if (!parsed.value) {
        printError(text.text(TextKey::cliConfigInvalidValue,
                             {descriptor->key, preferenceTypeName(descriptor->type), parsed.error}));
        return 2;
    }
    context.defaults.set(descriptor->key, *parsed.value);
    if (!DefaultsStore::strictlyEqual(context.defaults.object(descriptor->key),
                                      *DefaultsStore::canonicalValue(*parsed.value))) {
        printError(text.text(TextKey::cliConfigWriteFailed, {descriptor->key, QStringLiteral("the value was not stored")}));
        return 1;
    }
    return 0;
}

const CliCommandRegistration registration({QStringLiteral("config"), TextKey::cliConfigSummary, runConfig});

} // namespace

} // namespace quellpad
