#!/usr/bin/env bash
# Builds the demo host (ostrik-view) and the plugin, then shows the bundled sample network:
# with a display it opens the window; without one it writes out/map.png and out/timeline.png
# and prints a summary. Extra arguments go to ostrik-view (see docs/demo.md).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
build=${OSTRIK_BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)" --target ostrik-view OstrikgPlugin
view="$build/app/ostrik-view"
inputs=(samples/town.ostka --gpx samples/town-route.gpx)
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  # Zoom 18 is above the plugin's default minimum zoom (17): live states show at once.
  exec "$view" "${inputs[@]}" --zoom 18 "$@"
fi
mkdir -p out
"$view" "${inputs[@]}" --screenshot out/map.png --timeline-png out/timeline.png "$@"
echo "Pictures: out/map.png and out/timeline.png"
