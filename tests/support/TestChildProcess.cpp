#include "support/TestChildProcess.h"

#include <csignal>
#include <map>
#include <string>

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QCoreApplication>
#include <QProcessEnvironment>

namespace quellpad::test {
namespace {

constexpr char childVariable[] = "QUELLPAD_TEST_CHILD";
constexpr char argumentsVariable[] = "QUELLPAD_TEST_CHILD_ARGUMENTS";

std::map<std::string, ChildMain>& registry() {
    static std::map<std::string, ChildMain> children;
    return children;
}

} // namespace

ChildRegistration::ChildRegistration(const char* name, ChildMain main) { registry()[name] = main; }

std::optional<int> runRequestedChild() {
    const QByteArray name = qgetenv(childVariable);
    if (name.isEmpty()) {
        return std::nullopt;
    }
    const auto found = registry().find(name.toStdString());
    if (found == registry().end()) {
        std::fprintf(stderr, "no test child named %s\n", name.constData());
        return 2;
    }
    // Arguments travel in the environment: the command line belongs to the test framework.
    const QStringList arguments = QString::fromUtf8(qgetenv(argumentsVariable)).split(QChar(0x1f), Qt::KeepEmptyParts);
    return found->second(arguments);
}

std::unique_ptr<QProcess> startChild(const QString& name, const QStringList& arguments) {
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(childVariable), name);
    environment.insert(QString::fromLatin1(argumentsVariable), arguments.join(QChar(0x1f)));
    process->setProcessEnvironment(environment);
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // A filter that matches nothing keeps the framework quiet should the child return.
    process->start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=-*")});
    if (!process->waitForStarted(10'000)) {
        ADD_FAILURE() << "test child " << name.toStdString() << " did not start: " << process->errorString().toStdString();
        return nullptr;
    }
    return process;
}

bool diedOfSigkill(QProcess& child, int timeoutMs) {
    if (!child.waitForFinished(timeoutMs)) {
        child.kill();
        child.waitForFinished(10'000);
        ADD_FAILURE() << "test child did not end in time";
        return false;
    }
    // QProcess reports a crash but not the signal; SIGKILL is the one the children raise.
    return child.exitStatus() == QProcess::CrashExit && child.exitCode() == SIGKILL;
}

} // namespace quellpad::test
