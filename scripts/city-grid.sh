#!/usr/bin/env bash
# Makes the city-sized network the benchmarks measure: a SUMO grid of SIDE x SIDE junctions
# (default 100, so 10,000) 100 m apart, made with netgenerate, every fifth junction signalised
# in an even pattern, imported with ostka-import into DIR/city-grid.ostka (and .plans.json).
# A network already made with the same size is kept.
#
# Usage: city-grid.sh DIR [SIDE] [OSTKA-IMPORT]
# Needs the Debian package sumo.
set -euo pipefail
export SUMO_HOME=${SUMO_HOME:-/usr/share/sumo}
dir=${1:?usage: city-grid.sh DIR [SIDE] [OSTKA-IMPORT]}
side=${2:-100}
import=${3:-ostka-import}
mkdir -p "$dir"
cd "$dir"
if [[ -s city-grid.ostka && "$(cat city-grid.side 2>/dev/null)" == "$side" ]]; then
    exit 0
fi
rm -f city-grid.ostka city-grid.side
netgenerate --grid --grid.number "$side" --grid.length 100 -o plain.net.xml > /dev/null
# netgenerate names a junction by its column (letters, in order) and its row (a number).
# (column + 2 row) mod 5 = 0 signalises one in five, none of them next to another.
lights=$(grep -o '<junction id="[A-Z]*[0-9]*"' plain.net.xml | sed 's/.*id="\([A-Z]*\)\([0-9]*\)"/\1 \2/' |
    awk '{ if (!($1 in col)) col[$1] = n++; if ((col[$1] + 2 * $2) % 5 == 0) { printf "%s%s%s", sep, $1, $2; sep = "," } }')
netgenerate --grid --grid.number "$side" --grid.length 100 --tls.set "$lights" -o city-grid.net.xml > /dev/null
rm -f plain.net.xml
"$import" -q --origin 16.55,49.15 city-grid.net.xml -o city-grid
rm -f city-grid.net.xml
echo "$side" > city-grid.side
