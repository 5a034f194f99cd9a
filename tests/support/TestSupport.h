// Shared test helpers: captured log lines, event-loop waiting, scoped environment.
#pragma once

#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QString>

#include "Core/Utilities/Logger.h"

namespace quellpad::test {

struct CapturedLogLine {
    LogLevel level;
    QString category;
    QString message;
};

// Records every log line while alive.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    std::vector<CapturedLogLine> lines() const;
    // True when some line has this level and category and its message starts with prefix.
    bool contains(LogLevel level, const QString& category, const QString& messagePrefix) const;

private:
    mutable std::mutex mutex_;
    std::vector<CapturedLogLine> lines_;
    Logger::Observer previous_;
};

// Processes Qt events until the predicate holds or the timeout passes; returns the predicate.
bool processEventsUntil(const std::function<bool()>& predicate, int timeoutMs = 5000);
// Processes pending events, including queued calls posted just before.
void drainEvents();
// Polls a state of other processes (a window, a file) every 50 ms until it holds or
// the timeout passes; returns whether it held.
bool pollUntil(const std::function<bool()>& condition, int timeoutMs = 10000);
// Saves the whole test display as build/screenshots/<name>.png.
void saveScreenshot(const QString& name);

// Sets (or unsets, with nullopt) an environment variable for the scope's lifetime.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const std::optional<QByteArray>& value);
    ~ScopedEnvironment();

private:
    QByteArray name_;
    std::optional<QByteArray> previous_;
};

// Reads a whole file; empty on failure.
// For permission tests, which mean nothing to root: true when running as root, after
// running the current test again in a child as nobody (umask 022) and reporting its
// outcome; the caller then returns. False otherwise: the caller runs the test itself.
bool reranAsNobody();

QByteArray readFile(const QString& path);
bool writeFile(const QString& path, const QByteArray& bytes);

} // namespace quellpad::test
