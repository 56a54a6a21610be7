#!/usr/bin/env bash
# Builds the libraries, the plugin and every test with ASan (with LSan) and UBSan, then runs ctest.
# Usage: bash scripts/sanitize.sh [ctest arguments...]   (build dir: $OSTRIK_ASAN_DIR or build-asan)
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
bash scripts/install-deps.sh
build=${OSTRIK_ASAN_DIR:-build-asan}
start=$(date +%s)
CC=clang-14 CXX=clang++-14 cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DOSTRIK_SANITIZE=ON -DOSTRIK_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"
built=$(date +%s)

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:abort_on_error=0:print_stacktrace=1:strict_string_checks=1:detect_stack_use_after_return=1:check_initialization_order=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS=suppressions=$repo/scripts/lsan.supp:print_suppressions=0
# ostrik_add_test triples each test's time limit in sanitized builds.
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" "$@"
echo "sanitize.sh: build $((built - start)) s, tests $(( $(date +%s) - built )) s"
