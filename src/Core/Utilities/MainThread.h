// Hands work to the thread that runs the Qt event loop.
#pragma once

#include <functional>

namespace quellpad::MainThread {

// Runs work on the main thread's event loop, later, in posting order. Without a
// QCoreApplication (plain library use) the work runs inline.
void post(std::function<void()> work);

// True on the thread that owns the QCoreApplication.
bool isCurrent();

} // namespace quellpad::MainThread
