// Shared by the fuzz targets: a Qt application object (image plugins and queued
// hand-offs need one), quiet logging, and a check that stops the run with a message
// libFuzzer records as a crash.
#pragma once

#include <cstdio>
#include <cstdlib>

#include <QCoreApplication>

#include "Core/Utilities/Logger.h"

namespace quellpad::fuzz {

[[noreturn]] inline void fail(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "==fuzz== check failed: %s (%s:%d)\n", condition, file, line);
    std::abort();
}

inline void startQt(int* argc, char*** argv) {
    // Never destroyed: libFuzzer leaves through exit(), after Qt's own globals are
    // gone, and tearing the application down then crashes inside Qt.
    static QCoreApplication* const application = new QCoreApplication(*argc, *argv);
    (void)application;
    // Every log line would go to standard error once per input.
    Logger::setWritesToStandardError(false);
}

} // namespace quellpad::fuzz

#define FUZZ_CHECK(condition) \
    ((condition) ? static_cast<void>(0) : ::quellpad::fuzz::fail(#condition, __FILE__, __LINE__))
