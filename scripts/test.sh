#!/usr/bin/env bash
# Builds and runs the whole test suite. Starts a private Xvfb display with a window
# manager and a session bus with the accessibility bus (scripts/test-environment.sh)
# for the tests that need them, so it also works on a headless machine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh

source scripts/test-environment.sh

cd build
ctest --output-on-failure --timeout 300 -j2 --no-label-summary
