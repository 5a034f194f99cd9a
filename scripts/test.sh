#!/usr/bin/env bash
# Builds and runs the whole test suite. Starts a private Xvfb display and session
# bus for the tests that need X11, so it also works on a headless machine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh

source scripts/test-session.sh
cd build
in_test_session ctest --output-on-failure --timeout 300 -j2 --no-label-summary
