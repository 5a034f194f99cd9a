#!/usr/bin/env bash
# Builds the unit and integration tests with AddressSanitizer and
# UndefinedBehaviorSanitizer (GCC, build-asan/) and runs them under the same
# private display and session bus as scripts/test.sh.
# Usage: scripts/test-sanitizers.sh [TEST_FOLDER...]   (default: every folder)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

# Any report fails the test that caused it. Leak checking stays on; what it must
# ignore is listed, with the reason, in scripts/lsan.supp. (No strict_string_checks:
# libxkbcommon-x11 strndup()s atom names that are not NUL-terminated, which is
# correct, and strict checking reports it when the app opens its X connection.)
export ASAN_OPTIONS="detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"

sanitize="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
# -O1 keeps the build quick and the stack traces exact.
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" \
  -DCMAKE_CXX_FLAGS="$sanitize" -DCMAKE_EXE_LINKER_FLAGS="$sanitize" -DQUELLPAD_BENCH=OFF \
  "${launcher[@]}" >/dev/null

# Folder names as the targets have them: tests/platform/linux -> platform_linux.
folders=("$@")
if [ ${#folders[@]} -eq 0 ]; then
  while read -r dir; do
    case "$dir" in tests/support|tests/support/*|tests/data*|tests/architecture*) continue ;; esac
    name=${dir#tests/}
    folders+=("${name//\//_}")
  done < <(find tests -name '*.cpp' -printf '%h\n' | sort -u)
fi
targets=()
for name in "${folders[@]}"; do
  targets+=("quellpad_tests_$name")
done
cmake --build build-asan --target "${targets[@]}"
labels="^($(IFS='|'; echo "${folders[*]}"))\$"

source scripts/test-environment.sh
cd build-asan
ctest --output-on-failure --timeout 600 -j2 --no-label-summary -L "$labels"
