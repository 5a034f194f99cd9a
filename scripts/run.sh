#!/usr/bin/env bash
# Installs what is missing, builds and starts Quellpad in the current X11 session.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
exec build/src/main/quellpad "$@"
