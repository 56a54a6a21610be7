#!/usr/bin/env bash
# Builds the demo host (ostrik-view) and the plugin, then shows the bundled sample network:
# with a display it opens the window; without one it writes out/map.png and out/timeline.png
# and prints a summary. Extra arguments go to ostrik-view (see docs/demo.md).
#
#   --berlin   instead: Berlin-Adlershof from sumo-tools, imported, with seeded traffic,
#              run in SUMO and followed live (actuated signals, vehicles, their trajectories
#              along Rudower Chaussee); headless it writes out/berlin-map.png and
#              out/berlin-timeline.png after five minutes of SUMO time.
set -euo pipefail
cd "$(dirname "$0")/.."
berlin=false
if [ "${1:-}" = "--berlin" ]; then
  berlin=true
  shift
fi
bash scripts/install-deps.sh
build=${OSTRIK_BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)" --target ostrik-view OstrikgPlugin ostka-import
view="$build/app/ostrik-view"
display=false
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  display=true
fi
mkdir -p out

if $berlin; then
  bash scripts/berlin-scenario.sh out/berlin
  inputs=(--sumo out/berlin/berlin.sumocfg out/berlin/berlin.ostka --route "Rudower Chaussee (south-west)")
  if $display; then
    exec "$view" "${inputs[@]}" --zoom 17 --center 13.5380,52.4335 "$@"
  fi
  "$view" "${inputs[@]}" --zoom 17 --center 13.5380,52.4335 --after 300000 \
      --screenshot out/berlin-map.png --timeline-png out/berlin-timeline.png "$@"
  echo "Pictures: out/berlin-map.png and out/berlin-timeline.png"
  exit 0
fi

inputs=(samples/town.ostka --gpx samples/town-route.gpx)
if $display; then
  # Zoom 18 is above the plugin's default minimum zoom (17): live states show at once.
  exec "$view" "${inputs[@]}" --zoom 18 "$@"
fi
"$view" "${inputs[@]}" --screenshot out/map.png --timeline-png out/timeline.png "$@"
echo "Pictures: out/map.png and out/timeline.png"
