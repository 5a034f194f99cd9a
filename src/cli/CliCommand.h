// The subcommands of the `quellpad` executable. Each lives in its own file and
// registers itself with a file-scope CliCommandRegistration.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include "app/TextKey.h"

namespace quellpad {

class DefaultsStore;
class Localizer;

// What every subcommand gets: its own arguments (argv[0] is "quellpad <name>") and the
// user's settings.
struct CliContext {
    QStringList arguments;
    DefaultsStore& defaults;
    const Localizer& localizer;
};

struct CliCommand {
    QString name;
    TextKey summary;
    // Returns the process exit status: 0 success, 1 failure, 2 usage error.
    std::function<int(CliContext&)> run;
};

class CliCommandRegistry {
public:
    static void add(CliCommand command);
    static const std::vector<CliCommand>& commands();
    static const CliCommand* find(const QString& name);
};

struct CliCommandRegistration {
    explicit CliCommandRegistration(CliCommand command) { CliCommandRegistry::add(std::move(command)); }
};

// Writes text to standard output / standard error as UTF-8, with a trailing newline.
void printOut(const QString& text);
void printError(const QString& text);

// Parses a subcommand's options; on error prints the message and usage to standard
// error and returns false (the caller exits with status 2).
bool parseSubcommandArguments(QCommandLineParser& parser, const CliContext& context);

} // namespace quellpad
