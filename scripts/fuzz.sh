#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan + UBSan, build-fuzz/) and runs them.
# Usage: scripts/fuzz.sh [TARGET] [SECONDS]
#   TARGET   one of fuzz/CMakeLists.txt's names (query_search, ...); "all" or none = every target
#   SECONDS  run time per target (default 10)
# Each target starts from its seed corpus fuzz/corpus/TARGET (read only) plus what
# earlier runs found in build-fuzz/corpus/TARGET. A crash, leak or timeout stops that
# target, leaves the input in build-fuzz/artifacts/TARGET/ and makes the script fail.
# Extra libFuzzer flags can be given in FUZZ_FLAGS.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
target=${1:-all}
seconds=${2:-10}

launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_C_COMPILER=clang-14 \
  -DQUELLPAD_FUZZ=ON -DQUELLPAD_BENCH=OFF "${launcher[@]}" >/dev/null
if [ "$target" = all ]; then
  cmake --build build-fuzz --target quellpad_fuzzers
  targets=()
  for dir in fuzz/corpus/*/; do targets+=("$(basename "$dir")"); done
else
  cmake --build build-fuzz --target "fuzz_$target"
  targets=("$target")
fi

export ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
failed=()
for name in "${targets[@]}"; do
  work="build-fuzz/corpus/$name"
  artifacts="build-fuzz/artifacts/$name/"
  mkdir -p "$work" "$artifacts"
  echo "== fuzz_$name: ${seconds}s"
  # -timeout: one input taking 10 s is a hang; -rss_limit_mb caps memory per run.
  # shellcheck disable=SC2086
  if ! build-fuzz/fuzz/fuzz_$name -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -max_len=65536 -print_final_stats=1 -artifact_prefix="$artifacts" ${FUZZ_FLAGS:-} \
      "$work" "fuzz/corpus/$name" > "build-fuzz/fuzz_$name.log" 2>&1; then
    failed+=("$name")
    tail -n 60 "build-fuzz/fuzz_$name.log"
  fi
  grep -E '^(#[0-9]+.*DONE|stat::number_of_executed_units)' "build-fuzz/fuzz_$name.log" | tail -n 2 || true
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzzing found problems in: ${failed[*]} (inputs under build-fuzz/artifacts/)"
  exit 1
fi
echo "fuzzing: ${#targets[@]} targets clean"
