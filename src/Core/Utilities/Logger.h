// Process-wide diagnostic logger. Every line has the shape
//   "yyyy-MM-dd HH:mm:ss.SSS [LEVEL] [Category] message"
// in local time, and goes to syslog and standard error. There is no threshold:
// debug lines are written too. Messages are data, never a format string.
#pragma once

#include <functional>
#include <QString>

namespace quellpad {

enum class LogLevel { debug, info, warning, error };

// The exact text written for a level: "DEBUG", "INFO", "WARNING", "ERROR".
const char* logLevelText(LogLevel level);

class Logger {
public:
    static void debug(const QString& message, const QString& category = {});
    static void info(const QString& message, const QString& category = {});
    static void warning(const QString& message, const QString& category = {});
    static void error(const QString& message, const QString& category = {});

    static void log(LogLevel level, const QString& message, const QString& category = {});

    // The line as it is written, without the system log's own prefix.
    static QString formatLine(LogLevel level, const QString& message, const QString& category);

    // Observes every line after it is written (tests, the CLI's quiet mode).
    // Returns the previous observer. The observer runs on the logging thread.
    using Observer = std::function<void(LogLevel, const QString& category, const QString& message)>;
    static Observer setObserver(Observer observer);

    // Standard error is on by default; the CLI turns it off for commands whose
    // standard error is part of their output contract.
    static void setWritesToStandardError(bool enabled);
    // Lines below this level still go to syslog but are not echoed to standard error
    // (command-line tools keep their standard error for warnings and errors).
    static void setStandardErrorMinimumLevel(LogLevel level);
};

} // namespace quellpad
