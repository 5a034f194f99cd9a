#include "support/AppProcess.h"

#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QThread>

#include "platform/linux/JsonFileDefaultsStore.h"
#include "settings/PreferenceKeys.h"

namespace quellpad::test {

bool AppProcess::start(int timeoutMs) {
    if (!firstRun_) {
        // The first-run guide would take the focus the other tests' key presses need.
        JsonFileDefaultsStore defaults(harness_.settingsPath());
        if (!defaults.object(PreferenceKeys::didCompleteOnboarding).isValid()) {
            defaults.set(PreferenceKeys::didCompleteOnboarding, true);
        }
    }
    process_ = std::make_unique<QProcess>();
    QProcessEnvironment environment = harness_.environment();
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    if (!qtPlatform_.isEmpty()) environment.insert(QStringLiteral("QT_QPA_PLATFORM"), qtPlatform_);
    environment.insert(QStringLiteral("QUELLPAD_VERBOSE"), QStringLiteral("1"));
    process_->setProcessEnvironment(environment);
    process_->setProcessChannelMode(QProcess::MergedChannels);
    process_->start(QStringLiteral(QUELLPAD_CLI_PATH), QStringList{});
    if (!process_->waitForStarted(5000)) return false;
    return waitForStatus([](const QJsonObject& status) { return status.value(QStringLiteral("ok")).toBool(); },
                         timeoutMs);
}

bool AppProcess::stop(int timeoutMs) {
    if (!process_ || process_->state() == QProcess::NotRunning) {
        return process_ && process_->exitStatus() == QProcess::NormalExit && process_->exitCode() == 0;
    }
    process_->terminate();
    if (!process_->waitForFinished(timeoutMs)) {
        process_->kill();
        process_->waitForFinished(2000);
        return false;
    }
    output();
    return process_->exitStatus() == QProcess::NormalExit && process_->exitCode() == 0;
}

QJsonObject AppProcess::status() const {
    const CliResult result = harness_.spawn({QStringLiteral("status"), QStringLiteral("--json")}, {}, 10000);
    return QJsonDocument::fromJson(result.out.trimmed()).object();
}

bool AppProcess::waitForStatus(const std::function<bool(const QJsonObject&)>& predicate, int timeoutMs) const {
    QDeadlineTimer deadline(timeoutMs);
    do {
        if (process_ && process_->state() == QProcess::NotRunning) return false;
        if (predicate(status())) return true;
        QThread::msleep(50); // the poll interval, not a wait for a state
    } while (!deadline.hasExpired());
    return false;
}

double AppProcess::clipboardChangeCount() const {
    return status().value(QStringLiteral("clipboardChangeCount")).toDouble(-1);
}

bool AppProcess::waitUntilCopyHandled(double before, int timeoutMs) const {
    return waitForStatus(
        [before](const QJsonObject& status) {
            const double seen = status.value(QStringLiteral("clipboardChangeCount")).toDouble(-1);
            return seen > before && status.value(QStringLiteral("handledChangeCount")).toDouble(-1) >= seen;
        },
        timeoutMs);
}

bool AppProcess::waitForOutput(const QByteArray& text, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!output().contains(text)) {
        if (!process_ || deadline.hasExpired()) return false;
        process_->waitForReadyRead(50);
    }
    return true;
}

QByteArray AppProcess::output() {
    if (process_) output_ += process_->readAll();
    return output_;
}

} // namespace quellpad::test
