#include "cli/CliCommand.h"

#include <algorithm>
#include <cstdio>

#include <QCommandLineParser>
#include <QCoreApplication>

#include "localization/Localizer.h"

namespace quellpad {

namespace {

std::vector<CliCommand>& registry() {
    static std::vector<CliCommand> commands;
    return commands;
}

void writeStream(std::FILE* stream, const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

StandardStreamsSink standardStreams;
// The sink of the command running on this thread; commands print through it.
thread_local CliOutputSink* currentSink = &standardStreams;

class ScopedSink {
public:
    explicit ScopedSink(CliOutputSink& sink) : previous_(currentSink) { currentSink = &sink; }
    ~ScopedSink() { currentSink = previous_; }
    ScopedSink(const ScopedSink&) = delete;
    ScopedSink& operator=(const ScopedSink&) = delete;

private:
    CliOutputSink* previous_;
};

QString usage(const Localizer& localizer) {
    QStringList lines{localizer.text(TextKey::cliUsageLine), QString(), localizer.text(TextKey::cliNoCommandDescription),
                      QString(), localizer.text(TextKey::cliCommandsHeader)};
    for (const CliCommand& command : CliCommandRegistry::commands()) {
        lines.push_back(QStringLiteral("  %1  %2").arg(command.name, -10).arg(localizer.text(command.summary)));
    }
    lines.push_back(QString());
    lines.push_back(QStringLiteral("  --version   ") + localizer.text(TextKey::cliVersionOptionDescription));
    lines.push_back(QString());
    lines.push_back(localizer.text(TextKey::cliHelpHint));
    return lines.join(QLatin1Char('\n'));
}

} // namespace

void StandardStreamsSink::writeOut(const QByteArray& bytes) { writeStream(stdout, bytes); }
void StandardStreamsSink::writeError(const QByteArray& bytes) { writeStream(stderr, bytes); }

void CliCommandRegistry::add(CliCommand command) {
    auto& commands = registry();
    commands.push_back(std::move(command));
    std::sort(commands.begin(), commands.end(), [](const CliCommand& a, const CliCommand& b) { return a.name < b.name; });
}

const std::vector<CliCommand>& CliCommandRegistry::commands() { return registry(); }

const CliCommand* CliCommandRegistry::find(const QString& name) {
    for (const CliCommand& command : registry()) {
        if (command.name == name) {
            return &command;
        }
    }
    return nullptr;
}

void printOut(const QString& text) { currentSink->writeOut(text.toUtf8() + '\n'); }
void printError(const QString& text) { currentSink->writeError(text.toUtf8() + '\n'); }

CliOutputSink& currentOutputSink() { return *currentSink; }
void writeOutBytes(const QByteArray& bytes) { currentSink->writeOut(bytes); }

bool parseSubcommandArguments(QCommandLineParser& parser, const CliContext& context) {
    parser.addHelpOption();
    if (!parser.parse(context.arguments)) {
        printError(parser.errorText());
        printError(parser.helpText());
        return false;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        printOut(parser.helpText());
        context.finishedStatus = 0;
        return false;
    }
    return true;
}

int runCliCommand(const QStringList& arguments, DefaultsStore& defaults, CliOutputSink& sink) {
    const ScopedSink scope(sink);
    const Localizer localizer(defaults);
    if (arguments.isEmpty()) {
        printError(usage(localizer));
        return 2;
    }
    const QString& first = arguments.first();
    if (first == QStringLiteral("--version")) {
        printOut(QStringLiteral("quellpad ") + QStringLiteral(QUELLPAD_VERSION));
        return 0;
    }
    if (first == QStringLiteral("--help") || first == QStringLiteral("-h")) {
        printOut(usage(localizer));
        return 0;
    }
    const CliCommand* command = first.startsWith(QLatin1Char('-')) ? nullptr : CliCommandRegistry::find(first);
    if (command == nullptr) {
        printError(localizer.text(TextKey::cliUnknownCommand, {first}));
        printError(usage(localizer));
        return 2;
    }
    QStringList commandArguments = arguments.mid(1);
    commandArguments.prepend(QStringLiteral("quellpad ") + command->name);
    CliContext context{commandArguments, defaults, localizer};
    const int status = command->run(context);
    return context.finishedStatus.value_or(status);
}

} // namespace quellpad
