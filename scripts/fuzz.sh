#!/usr/bin/env bash
# Builds one libFuzzer target and runs it for a while on its seed corpus.
# Usage: bash scripts/fuzz.sh fuzz_ostka|fuzz_gpx|fuzz_controller SECONDS [libFuzzer options...]
# Build dir: $OSTRIK_FUZZ_DIR or build-fuzz. New inputs go to build-fuzz/corpus/<target>,
# crashes to build-fuzz/crashes/<target>; the committed seeds in fuzz/corpus are never modified.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
target=${1:?target: fuzz_ostka, fuzz_gpx or fuzz_controller}
seconds=${2:?seconds}
shift 2
case "$target" in
  fuzz_ostka|fuzz_gpx|fuzz_controller) ;;
  *) echo "unknown target $target" >&2; exit 2 ;;
esac
bash scripts/install-deps.sh
build=${OSTRIK_FUZZ_DIR:-build-fuzz}
CC=clang-14 CXX=clang++-14 cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DOSTRIK_SANITIZE=ON -DOSTRIK_FUZZ=ON -DOSTRIK_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$build" --target "$target" -j"$(nproc)"

work="$repo/$build/corpus/$target"
crashes="$repo/$build/crashes/$target"
mkdir -p "$work" "$crashes"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:print_stacktrace=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS=suppressions=$repo/scripts/lsan.supp
# Inputs are kept small: the harnesses look for faults in the logic, not in sheer size.
"$build/fuzz/$target" -max_total_time="$seconds" -max_len=16384 -timeout=10 -rss_limit_mb=4096 \
  -print_final_stats=1 -artifact_prefix="$crashes/" "$@" "$work" "$repo/fuzz/corpus/$target"
