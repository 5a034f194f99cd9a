#include "cli/CliCommand.h"

#include <algorithm>
#include <cstdio>

#include <QCommandLineParser>

namespace quellpad {

namespace {

std::vector<CliCommand>& registry() {
    static std::vector<CliCommand> commands;
    return commands;
}

void write(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

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

void printOut(const QString& text) { write(stdout, text); }
void printError(const QString& text) { write(stderr, text); }

bool parseSubcommandArguments(QCommandLineParser& parser, const CliContext& context) {
    parser.addHelpOption();
    if (!parser.parse(context.arguments)) {
        printError(parser.errorText());
        printError(parser.helpText());
        return false;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        printOut(parser.helpText());
        std::exit(0);
    }
    return true;
}

} // namespace quellpad
