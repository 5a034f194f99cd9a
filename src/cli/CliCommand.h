// The subcommands of the `quellpad` executable. Each lives in its own file and
// registers itself with a file-scope CliCommandRegistration.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include "localization/TextKey.h"

namespace quellpad {

class DefaultsStore;
class Localizer;

// Where a command's output goes: the process's standard streams in the executable, a
// buffer in tests.
class CliOutputSink {
public:
    virtual ~CliOutputSink() = default;
    virtual void writeOut(const QByteArray& bytes) = 0;
    virtual void writeError(const QByteArray& bytes) = 0;
};

class StandardStreamsSink final : public CliOutputSink {
public:
    void writeOut(const QByteArray& bytes) override;
    void writeError(const QByteArray& bytes) override;
};

class BufferSink final : public CliOutputSink {
public:
    void writeOut(const QByteArray& bytes) override { out += bytes; }
    void writeError(const QByteArray& bytes) override { error += bytes; }
    QByteArray out;
    QByteArray error;
};

// What every subcommand gets: its own arguments (argv[0] is "quellpad <name>") and the
// user's settings.
struct CliContext {
    QStringList arguments;
    DefaultsStore& defaults;
    const Localizer& localizer;
    // Set when the command finished early with this status (for example after --help).
    mutable std::optional<int> finishedStatus = std::nullopt;
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

// Runs `quellpad ARGUMENTS...` (arguments without the program name) with output going
// to sink; returns the exit status: 0 success, 1 failure, 2 usage error.
int runCliCommand(const QStringList& arguments, DefaultsStore& defaults, CliOutputSink& sink);

// Writes text as UTF-8 with a trailing newline to the running command's sink (standard
// output / standard error outside runCliCommand).
void printOut(const QString& text);
void printError(const QString& text);
// The running command's sink, for work it waits on in another thread to print through.
CliOutputSink& currentOutputSink();
// Writes bytes unchanged to the running command's output.
void writeOutBytes(const QByteArray& bytes);

// Parses a subcommand's options; on error prints the message and usage to standard
// error and returns false (the caller exits with status 2). --help prints the usage,
// returns false and marks the context finished with status 0.
bool parseSubcommandArguments(QCommandLineParser& parser, const CliContext& context);

} // namespace quellpad
