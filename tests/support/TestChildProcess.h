// Runs a piece of a test in a process of its own, so that the test can watch it die
// (SIGKILL at a chosen moment) and check what it left behind. The child is this test
// binary again, started with QUELLPAD_TEST_CHILD naming a registered function.
#pragma once

#include <memory>
#include <optional>

#include <QProcess>
#include <QStringList>

namespace quellpad::test {

using ChildMain = int (*)(const QStringList& arguments);

// At namespace scope in a test file: `const ChildRegistration registration("name", &function);`
struct ChildRegistration {
    ChildRegistration(const char* name, ChildMain main);
};

// From main(): the exit code of the child QUELLPAD_TEST_CHILD asks for, or nullopt
// when this process is not a child.
std::optional<int> runRequestedChild();

// Starts the registered child `name`; nullptr (with a test failure) when it cannot start.
std::unique_ptr<QProcess> startChild(const QString& name, const QStringList& arguments);

// Waits for a started child to end; true when SIGKILL ended it.
bool diedOfSigkill(QProcess& child, int timeoutMs = 60'000);

} // namespace quellpad::test
