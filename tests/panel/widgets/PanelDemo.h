// The panel over in-memory history as a program of its own (`--panel-demo`), so that a
// test can look at it from outside: through AT-SPI, as assistive tools do. It reads
// commands from standard input: "down", "up", "quit".
#pragma once

namespace quellpad::test {

int runPanelDemo();

} // namespace quellpad::test
