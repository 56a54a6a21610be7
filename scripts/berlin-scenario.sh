#!/usr/bin/env bash
# Makes a live scenario of Berlin-Adlershof from Debian's sumo-tools in the folder given
# (default out/berlin): SUMO's network imported with ostka-import (berlin.ostka and its plan
# file), seeded background traffic from SUMO's randomTrips.py, the corridor "Rudower
# Chaussee (south-west)" as a named route with a flow on it, and berlin.sumocfg to run it
# all. Needs the packages sumo and sumo-tools and a built ostka-import.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-out/berlin}
build=${OSTRIK_BUILD_DIR:-build}
export SUMO_HOME=${SUMO_HOME:-/usr/share/sumo}
net=$SUMO_HOME/tools/game/DRT/osm.net.xml
[ -f "$net" ] || { echo "$net is missing: install sumo-tools (bash scripts/install-deps.sh)" >&2; exit 1; }
mkdir -p "$out"

# The main road through the district, east to south-west, across nine signalised junctions.
cat > "$out/corridor.rou.xml" <<'ROUTES'
<routes>
    <route id="Rudower Chaussee (south-west)" edges="52036180#1 52036180#2 52036180#4 206889086#1 541676219 318210389#0 670062912#0 670062912#1 81639675#1 670062909#1 670062908#1 670062907#1 670062907#2 670062907#3 670062907#4 670062907#5 670062907#6 143308546#3 143308546#5 143308546#6 143308546#7 143308546#9 143308546#10 143308546#11 143308546#12 143308546#13 143308546#14 143308546#15 670062902#2 670062902#3 143308532#0 143308532#2 143308532#5"/>
    <flow id="rudower" route="Rudower Chaussee (south-west)" begin="0" end="3600" vehsPerHour="420" departLane="best" departSpeed="max"/>
</routes>
ROUTES
# Background traffic, the same every time (seed 42); SUMO routes the trips itself.
python3 "$SUMO_HOME/tools/randomTrips.py" -n "$net" -o "$out/background.trips.xml" -r "$out/background.rou.xml" \
    --seed 42 -b 0 -e 3600 -p 1.5 --fringe-factor 5 --min-distance 500 --validate --vclass passenger >/dev/null
rm -f "$out/background.rou.xml" "$out/background.rou.alt.xml"
cat > "$out/berlin.sumocfg" <<CONFIG
<configuration>
    <input>
        <net-file value="$net"/>
        <route-files value="corridor.rou.xml,background.trips.xml"/>
    </input>
    <time>
        <begin value="0"/>
        <end value="3600"/>
        <step-length value="1"/>
    </time>
    <report>
        <no-step-log value="true"/>
        <no-warnings value="true"/>
    </report>
</configuration>
CONFIG
# The network and its plans, as ostrik-view shows them (it would import on the fly as well).
"$build/tools/ostka-import/ostka-import" "$net" "$out/corridor.rou.xml" -o "$out/berlin"
echo "Scenario: $out/berlin.sumocfg (network $out/berlin.ostka)"
