#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>

namespace quellpad::test {

LogCapture::LogCapture() {
    previous_ = Logger::setObserver([this](LogLevel level, const QString& category, const QString& message) {
        std::lock_guard lock(mutex_);
        lines_.push_back({level, category, message});
    });
}

LogCapture::~LogCapture() { Logger::setObserver(std::move(previous_)); }

std::vector<CapturedLogLine> LogCapture::lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

bool LogCapture::contains(LogLevel level, const QString& category, const QString& messagePrefix) const {
    std::lock_guard lock(mutex_);
    for (const CapturedLogLine& line : lines_) {
        if (line.level == level && line.category == category && line.message.startsWith(messagePrefix)) {
            return true;
        }
    }
    return false;
}

bool processEventsUntil(const std::function<bool()>& predicate, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!predicate()) {
        if (deadline.hasExpired()) {
            return predicate();
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

void drainEvents() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

ScopedEnvironment::ScopedEnvironment(const char* name, const std::optional<QByteArray>& value) : name_(name) {
    if (qEnvironmentVariableIsSet(name)) {
        previous_ = qgetenv(name);
    }
    if (value) {
        qputenv(name, *value);
    } else {
        qunsetenv(name);
    }
}

ScopedEnvironment::~ScopedEnvironment() {
    if (previous_) {
        qputenv(name_.constData(), *previous_);
    } else {
        qunsetenv(name_.constData());
    }
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool pollUntil(const std::function<bool()>& condition, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs) return false;
        QThread::msleep(50);
    }
    return true;
}

void saveScreenshot(const QString& name) {
    QDir().mkpath(QStringLiteral(QUELLPAD_SCREENSHOT_DIR));
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(QUELLPAD_TEST_SUPPORT_DIR "/screenshot.py"),
                                                      QStringLiteral(QUELLPAD_SCREENSHOT_DIR "/") + name + QStringLiteral(".png")});
    python.waitForFinished(20000);
}

} // namespace quellpad::test

namespace quellpad::test {

bool reranAsNobody() {
    if (::geteuid() != 0) return false;
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const QString filter = QStringLiteral("--gtest_filter=%1.%2")
                               .arg(QLatin1String(info->test_suite_name()), QLatin1String(info->name()));
    QProcess process;
    process.start(QStringLiteral("setpriv"),
                  {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"), QStringLiteral("--clear-groups"),
                   QStringLiteral("sh"), QStringLiteral("-c"), QStringLiteral("umask 022; exec \"$0\" \"$@\""),
                   QCoreApplication::applicationFilePath(), filter});
    EXPECT_TRUE(process.waitForFinished(60000));
    const QByteArray output = process.readAll();
    EXPECT_EQ(process.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.toStdString();
    return true;
}

} // namespace quellpad::test
