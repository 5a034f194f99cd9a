#include "cli/RunApplication.h"

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>

#include "Core/Utilities/Logger.h"

namespace quellpad {

namespace {

int signalPipe[2] = {-1, -1};

void onTerminationSignal(int signal) {
    // Only async-signal-safe work here: hand the signal to the event loop.
    const char byte = static_cast<char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

} // namespace

int runApplication(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quellpad"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUELLPAD_VERSION));

    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) {
        Logger::error(QStringLiteral("Failed to create the signal pipe"), QStringLiteral("AppDelegate"));
        return 1;
    }
    QSocketNotifier notifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &app, [] {
        char byte = 0;
        [[maybe_unused]] const ssize_t got = ::read(signalPipe[0], &byte, 1);
        Logger::info(QStringLiteral("Received termination signal ") + QString::number(byte),
                     QStringLiteral("AppDelegate"));
        QCoreApplication::quit();
    });
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    Logger::info(QStringLiteral("Application did finish launching"), QStringLiteral("AppDelegate"));
    const int status = QCoreApplication::exec();
    Logger::info(QStringLiteral("Application will terminate"), QStringLiteral("AppDelegate"));
    return status;
}

} // namespace quellpad
