#!/usr/bin/env bash
# Builds what is needed and runs the main job on the bundled sample network.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
build=${OSTRIK_BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)" --target ostka-info
"$build/tools/ostka-info/ostka-info" samples/town.ostka
