// `quellpad format [--as json|jsonl|sql] [--highlight] [FILE]`: prints the text of FILE
// (or standard input) pretty-printed, with the formatter the item would get in the
// panel, or the one named by --as.
#include <unistd.h>

#include <QCommandLineParser>

#include "Core/Utilities/Logger.h"
#include "localization/Localizer.h"
#include "classification/ClipboardClassificationSettings.h"
#include "classification/LocalClipboardClassificationService.h"
#include "cli/CliCommand.h"
#include "cli/CliInput.h"
#include "formatting/FormattingError.h"
#include "formatting/JSONLinesSyntaxHighlighter.h"
#include "formatting/JSONSyntaxHighlighter.h"
#include "formatting/SQLSyntaxHighlighter.h"
#include "formatting/SyntaxHighlighterFactory.h"

namespace quellpad {

namespace {

constexpr qint64 maximumInputBytes = qint64(256) * 1024 * 1024;

std::unique_ptr<SyntaxHighlighting> highlighterNamed(const QString& kind) {
    if (kind == QLatin1String("json")) {
        return makeSyntaxHighlighter(ClipboardSystemClassification::json);
    }
    if (kind == QLatin1String("jsonl")) {
        return makeSyntaxHighlighter(ClipboardSystemClassification::jsonLines);
    }
    if (kind == QLatin1String("sql")) {
        return makeSyntaxHighlighter(ClipboardSystemClassification::sql);
    }
    return nullptr;
}

// Terminal escape for a theme colour; nullptr keeps the terminal's own colour.
QByteArray ansiColor(const SyntaxColor& color) {
    using K = SyntaxColor::Kind;
    switch (color.kind) {
    case K::label: return {};
    case K::secondaryLabel: return "\x1b[90m";
    case K::systemBlue: return "\x1b[34m";
    case K::systemGreen: return "\x1b[32m";
    case K::systemOrange: return "\x1b[33m";
    case K::systemGray: return "\x1b[90m";
    case K::systemPurple: return "\x1b[35m";
    case K::systemRed: return "\x1b[31m";
    case K::rgb: {
        // Terminals are mostly dark; the dark values read well on light ones too.
        const QColor resolved = color.resolved(SyntaxAppearance::dark);
        return QStringLiteral("\x1b[38;2;%1;%2;%3m").arg(resolved.red()).arg(resolved.green()).arg(resolved.blue()).toLatin1();
    }
    }
    return {};
}

QString ansiText(const StyledText& styled) {
    QString output;
    output.reserve(styled.text.size() + static_cast<qsizetype>(styled.runs.size()) * 12);
    qsizetype position = 0;
    for (const SyntaxColorRun& run : styled.runs) {
        output.append(QStringView(styled.text).mid(position, run.start - position));
        const QByteArray escape = ansiColor(styled.theme.color(run.role));
        const QStringView piece = QStringView(styled.text).mid(run.start, run.length);
        if (escape.isEmpty()) {
            output.append(piece);
        } else {
            output.append(QLatin1String(escape));
            output.append(piece);
            output.append(QLatin1String("\x1b[0m"));
        }
        position = run.start + run.length;
    }
    output.append(QStringView(styled.text).mid(position));
    return output;
}

int runFormat(CliContext& context) {
    const Localizer& localizer = context.localizer;
    QCommandLineParser parser;
    parser.setApplicationDescription(localizer.text(TextKey::cliFormatSummary));
    const QCommandLineOption as(QStringLiteral("as"), localizer.text(TextKey::cliFormatAsOptionDescription),
                                QStringLiteral("json|jsonl|sql"));
    const QCommandLineOption highlight(QStringLiteral("highlight"),
                                       localizer.text(TextKey::cliFormatHighlightOptionDescription));
    parser.addOption(as);
    parser.addOption(highlight);
    parser.addPositionalArgument(QStringLiteral("FILE"), localizer.text(TextKey::cliFileArgumentDescription),
                                 QStringLiteral("[FILE]"));
    if (!parseSubcommandArguments(parser, context)) {
        return 2;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1) {
        printError(localizer.text(TextKey::cliUnexpectedArgument, {positional.at(1)}));
        printError(parser.helpText());
        return 2;
    }
    std::unique_ptr<SyntaxHighlighting> highlighter;
    if (parser.isSet(as)) {
        highlighter = highlighterNamed(parser.value(as));
        if (highlighter == nullptr) {
            printError(localizer.text(TextKey::cliFormatUnknownKind, {parser.value(as)}));
            return 2;
        }
    }
    // Standard error carries the one failure message; diagnostics would muddle it.
    Logger::setWritesToStandardError(false);
    const std::optional<QString> text = readCliTextInput(positional.value(0), maximumInputBytes, context);
    if (!text) {
        return 1;
    }
    if (highlighter == nullptr) {
        const ClipboardClassificationSettings settings(context.defaults);
        const LocalClipboardClassificationService service;
        const auto matches = service.detectSystemClassifications(*text, settings.enabledSystemClassifications());
        const auto primary = LocalClipboardClassificationService::primarySystemClassification(matches);
        highlighter = makeSyntaxHighlighter(primary);
        if (highlighter == nullptr) {
            const QString name = primary ? localizer.text(definition(*primary).displayNameKey)
                                         : localizer.text(TextKey::mainContentTypeText);
            printError(localizer.text(TextKey::cliTextNotFormattable, {name}));
            return 1;
        }
    }
    try {
        const QString formatted = highlighter->format(*text);
        const bool colour = parser.isSet(highlight) && isatty(STDOUT_FILENO) == 1;
        printOut(colour ? ansiText(highlighter->highlight(formatted)) : formatted);
    } catch (const FormattingError& error) {
        printError(localizer.text(TextKey::cliFormattingFailed, {localizer.text(error.textKey(), error.textArguments())}));
        return 1;
    }
    return 0;
}

const CliCommandRegistration registration({QStringLiteral("format"), TextKey::cliFormatSummary, runFormat});

} // namespace

} // namespace quellpad
