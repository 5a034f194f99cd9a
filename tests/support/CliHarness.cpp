#include "support/CliHarness.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include "cli/CliCommand.h"
#include "platform/linux/JsonFileDefaultsStore.h"

namespace quellpad::test {

QStringList CliResult::lines() const { return QString::fromUtf8(out).split(QLatin1Char('\n'), Qt::SkipEmptyParts); }

std::vector<QJsonObject> CliResult::jsonLines() const {
    std::vector<QJsonObject> objects;
    for (const QString& line : lines()) {
        objects.push_back(QJsonDocument::fromJson(line.toUtf8()).object());
    }
    return objects;
}

CliHarness::CliHarness() {
    QDir().mkpath(runtimePath());
    QFile::setPermissions(runtimePath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const std::pair<const char*, QString> variables[] = {
        {"HOME", home()},
        {"XDG_CONFIG_HOME", configHome()},
        {"XDG_DATA_HOME", home() + QStringLiteral("/share")},
        {"QUELLPAD_STORAGE_DIRECTORY", dataPath()},
        {"XDG_RUNTIME_DIR", runtimePath()},
    };
    for (const auto& [name, value] : variables) {
        scopes_.push_back(std::make_unique<ScopedEnvironment>(name, value.toUtf8()));
    }
    scopes_.push_back(std::make_unique<ScopedEnvironment>("QUELLPAD_VERBOSE", std::nullopt));
}

CliHarness::~CliHarness() {
    // Newest first, so a variable set twice gets its original value back.
    while (!scopes_.empty()) scopes_.pop_back();
}

CliResult CliHarness::run(const QStringList& arguments) const {
    JsonFileDefaultsStore defaults(JsonFileDefaultsStore::defaultFilePath());
    BufferSink sink;
    const int status = runCliCommand(arguments, defaults, sink);
    return {status, sink.out, sink.error};
}

QProcessEnvironment CliHarness::environment() const { return QProcessEnvironment::systemEnvironment(); }

void CliHarness::setEnvironment(const char* name, const std::optional<QString>& value) {
    scopes_.push_back(std::make_unique<ScopedEnvironment>(name, value ? std::optional(value->toUtf8()) : std::nullopt));
}

CliResult CliHarness::spawn(const QStringList& arguments, const QByteArray& input, int timeoutMs) const {
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(QStringLiteral(QUELLPAD_CLI_PATH), arguments);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return {-1, process.readAllStandardOutput(), process.readAllStandardError() + "\n(timed out)"};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
            process.readAllStandardError()};
}

} // namespace quellpad::test
