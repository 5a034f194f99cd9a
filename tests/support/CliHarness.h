// Runs `quellpad` subcommands against a private home folder (settings in
// XDG_CONFIG_HOME, history in QUELLPAD_STORAGE_DIRECTORY, runtime files in
// XDG_RUNTIME_DIR): in this process through the command-line library, or as a real
// process for the tests that need one (standard input, kills, the running app).
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "support/TestSupport.h"

namespace quellpad::test {

struct CliResult {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    QStringList lines() const;
    // The standard output's lines parsed as JSON objects (empty objects for other lines).
    std::vector<class QJsonObject> jsonLines() const;
};

class CliHarness {
public:
    CliHarness();
    ~CliHarness();

    QString home() const { return home_.path(); }
    QString dataPath() const { return home() + QStringLiteral("/data"); }
    QString configHome() const { return home() + QStringLiteral("/config"); }
    QString settingsPath() const { return configHome() + QStringLiteral("/Quellpad/settings.json"); }
    QString runtimePath() const { return home() + QStringLiteral("/runtime"); }

    // In process, with a fresh settings store over the harness's file (as the executable does).
    CliResult run(const QStringList& arguments) const;
    // As a process of the real executable, with input on its standard input.
    CliResult spawn(const QStringList& arguments, const QByteArray& input = {}, int timeoutMs = 60000) const;
    // The environment the harness's processes get (and this process has while it lives).
    QProcessEnvironment environment() const;
    // Sets (or, with nullopt, removes) a variable for the harness's lifetime.
    void setEnvironment(const char* name, const std::optional<QString>& value);

private:
    QTemporaryDir home_;
    std::vector<std::unique_ptr<ScopedEnvironment>> scopes_;
};

} // namespace quellpad::test
