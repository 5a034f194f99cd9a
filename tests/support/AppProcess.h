// The real application started on the test display under a CliHarness's private home,
// ready once `quellpad status --json` answers (the monitor has its baseline by then).
#pragma once

#include <memory>

#include <QJsonObject>
#include <QProcess>

#include "support/CliHarness.h"

namespace quellpad::test {

class AppProcess {
public:
    explicit AppProcess(const CliHarness& harness) : harness_(harness) {}
    ~AppProcess() { stop(); }

    // The app starts as after onboarding unless this is set (a fresh settings file then
    // shows the first-run guide).
    void setFirstRun(bool firstRun) { firstRun_ = firstRun; }
    // The Qt platform the app runs on; by default the app picks its own.
    void setQtPlatform(const QString& platform) { qtPlatform_ = platform; }
    // Starts the app and polls its status until it answers; false (with the output so
    // far in output()) when it exits or does not answer within timeoutMs.
    bool start(int timeoutMs = 20000);
    // SIGTERM, then waits; kills after timeoutMs. Returns whether it exited normally with 0.
    bool stop(int timeoutMs = 10000);
    // `quellpad status --json` of the running app; an empty object when it does not answer.
    QJsonObject status() const;
    // Polls status until predicate holds or timeoutMs passes; returns the last status.
    bool waitForStatus(const std::function<bool(const QJsonObject&)>& predicate, int timeoutMs = 10000) const;
    // The clipboard change count the app has seen; waitUntilCopyHandled polls until the
    // app has seen a change after `before` and its monitor has handled it.
    double clipboardChangeCount() const;
    bool waitUntilCopyHandled(double before, int timeoutMs = 10000) const;
    // Everything the app wrote so far (standard output and error together).
    QByteArray output();
    // Waits until the app's output holds text (log lines arrive asynchronously).
    bool waitForOutput(const QByteArray& text, int timeoutMs = 10000);
    QProcess* process() { return process_.get(); }

private:
    const CliHarness& harness_;
    std::unique_ptr<QProcess> process_;
    QByteArray output_;
    QString qtPlatform_;
    bool firstRun_ = false;
};

} // namespace quellpad::test
