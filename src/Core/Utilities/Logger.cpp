#include "Core/Utilities/Logger.h"

#include <atomic>
#include <cstdio>
#include <mutex>
#include <syslog.h>

#include <QDateTime>

namespace quellpad {

namespace {

std::mutex& observerMutex() {
    static std::mutex mutex;
    return mutex;
}

Logger::Observer& observerSlot() {
    static Logger::Observer observer;
    return observer;
}

std::atomic<bool> writesToStandardError{true};
std::atomic<int> standardErrorMinimumLevel{static_cast<int>(LogLevel::debug)};

void openSyslogOnce() {
    static std::once_flag once;
    std::call_once(once, [] { openlog("quellpad", LOG_PID, LOG_USER); });
}

int syslogPriority(LogLevel level) {
    switch (level) {
    case LogLevel::debug: return LOG_DEBUG;
    case LogLevel::info: return LOG_INFO;
    case LogLevel::warning: return LOG_WARNING;
    case LogLevel::error: return LOG_ERR;
    }
    return LOG_INFO;
}

} // namespace

const char* logLevelText(LogLevel level) {
    switch (level) {
    case LogLevel::debug: return "DEBUG";
    case LogLevel::info: return "INFO";
    case LogLevel::warning: return "WARNING";
    case LogLevel::error: return "ERROR";
    }
    return "INFO";
}

QString Logger::formatLine(LogLevel level, const QString& message, const QString& category) {
    const QString date = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    const QString resolvedCategory = category.isEmpty() ? QStringLiteral("Logger") : category;
    return date + QStringLiteral(" [") + QLatin1String(logLevelText(level)) + QStringLiteral("] [") +
           resolvedCategory + QStringLiteral("] ") + message;
}

void Logger::log(LogLevel level, const QString& message, const QString& category) {
    const QByteArray line = formatLine(level, message, category).toUtf8();
    openSyslogOnce();
    syslog(syslogPriority(level), "%s", line.constData());
    if (writesToStandardError.load(std::memory_order_relaxed) &&
        static_cast<int>(level) >= standardErrorMinimumLevel.load(std::memory_order_relaxed)) {
        // One write per line so that lines from several threads do not interleave.
        const QByteArray withNewline = line + '\n';
        std::fwrite(withNewline.constData(), 1, static_cast<size_t>(withNewline.size()), stderr);
    }
    Observer observer;
    {
        std::lock_guard lock(observerMutex());
        observer = observerSlot();
    }
    if (observer) {
        observer(level, category.isEmpty() ? QStringLiteral("Logger") : category, message);
    }
}

void Logger::debug(const QString& message, const QString& category) { log(LogLevel::debug, message, category); }
void Logger::info(const QString& message, const QString& category) { log(LogLevel::info, message, category); }
void Logger::warning(const QString& message, const QString& category) { log(LogLevel::warning, message, category); }
void Logger::error(const QString& message, const QString& category) { log(LogLevel::error, message, category); }

Logger::Observer Logger::setObserver(Observer observer) {
    std::lock_guard lock(observerMutex());
    Observer previous = std::move(observerSlot());
    observerSlot() = std::move(observer);
    return previous;
}

void Logger::setStandardErrorMinimumLevel(LogLevel level) {
    standardErrorMinimumLevel.store(static_cast<int>(level), std::memory_order_relaxed);
}

void Logger::setWritesToStandardError(bool enabled) {
    writesToStandardError.store(enabled, std::memory_order_relaxed);
}

} // namespace quellpad
