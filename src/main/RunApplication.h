#pragma once

namespace quellpad {

// Starts Quellpad in the current session and runs until SIGINT or SIGTERM.
int runApplication(int argc, char** argv);

} // namespace quellpad
