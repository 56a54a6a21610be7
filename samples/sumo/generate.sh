#!/usr/bin/env bash
# Regenerates the bundled SUMO scenario (grid.net.xml, grid.trips.xml) with SUMO's own tools;
# corridors.rou.xml (the named routes along the avenue and the centre street, with their
# flows) is written by hand.
# A 5 x 5 grid of 200 m blocks with two lanes and a left-turn lane per approach; the nine
# inner junctions are signalised: six actuated, one delay-based and two fixed-time programs.
# The network is placed at 16.575 E, 49.205 N (UTM zone 33) so that it is geo-referenced.
# Background traffic: randomTrips.py with seed 42, one trip every 2 s for 30 minutes, mostly
# entering and leaving at the fringe; SUMO routes the trips itself. Needs the Debian packages sumo and sumo-tools.
set -euo pipefail
cd "$(dirname "$0")"
export SUMO_HOME=${SUMO_HOME:-/usr/share/sumo}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

netgenerate --grid --grid.number 5 --grid.length 200 -L 2 --turn-lanes 1 --turn-lanes.length 40 \
    --no-turnarounds --tls.set B1,B2,B3,C1,C2,C3,D1,D2,D3 --tls.default-type actuated \
    -o "$tmp/raw.net.xml"
# netgenerate cannot project; its plain metres become UTM 33 around the chosen corner, and
# three programs get other types.
sed -e 's|<location [^>]*/>|<location netOffset="-614723.85,-5451438.94" convBoundary="0.00,0.00,803.20,803.20" origBoundary="16.575000,49.205000,16.586253,49.212072" projParameter="+proj=utm +zone=33 +ellps=WGS84 +datum=WGS84 +units=m +no_defs"/>|' \
    -e 's|<tlLogic id="C2" type="actuated"|<tlLogic id="C2" type="delay_based"|' \
    -e 's|<tlLogic id="B3" type="actuated"|<tlLogic id="B3" type="static"|' \
    -e 's|<tlLogic id="D1" type="actuated" programID="0" offset="0"|<tlLogic id="D1" type="static" programID="0" offset="20"|' \
    "$tmp/raw.net.xml" > "$tmp/placed.net.xml"
netconvert -s "$tmp/placed.net.xml" -o grid.net.xml
python3 "$SUMO_HOME/tools/randomTrips.py" -n grid.net.xml -o grid.trips.xml -r "$tmp/routes.rou.xml" \
    --seed 42 -b 0 -e 1800 -p 2 --fringe-factor 10 --min-distance 300 --validate
