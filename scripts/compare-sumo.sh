#!/usr/bin/env bash
# Races the demo host's headless map picture against sumo-gui's snapshot of the same SUMO
# network: grids made with netgenerate (every fifth junction signalised) and Berlin from
# sumo-tools, each imported with ostka-import. Runs are interleaved (ours, SUMO's, next
# network, ...; the order flips every round) and the medians of CPU time (user + system),
# wall time and peak memory (max RSS) are printed with the ratios ours / sumo-gui.
#
# With IMPORT_SIZES set it also races ostka-import against `netconvert -s` on those grids.
#
# Environment (all optional):
#   BUILD=build            build folder of this checkout (ostrik-view, ostka-import)
#   WORK=<new temp dir>    scratch folder; the networks made there are reused by a later run
#   RUNS=5                 rounds per network
#   SIZES="1000 4000 10000" grid sizes in junctions (next to Berlin); BERLIN=0 leaves it out
#   IMPORT_SIZES=""        grid sizes for the importer race, e.g. "40000"
#   PICTURE=1280x800       picture size of both programs
# Needs: netgenerate, netconvert, sumo-gui (Debian package sumo), sumo-tools, Xvfb, /usr/bin/time.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-build}
[[ $build = /* ]] || build=$root/$build
view=$build/app/ostrik-view
import=$build/tools/ostka-import/ostka-import
runs=${RUNS:-5}
sizes=${SIZES-1000 4000 10000}
importSizes=${IMPORT_SIZES:-}
picture=${PICTURE:-1280x800}
berlin=/usr/share/sumo/tools/game/DRT/osm.net.xml
work=${WORK:-$(mktemp -d -t compare-sumo.XXXXXX)}
mkdir -p "$work"
work=$(cd "$work" && pwd)
rm -f "$work/notes"

for tool in netgenerate netconvert sumo-gui Xvfb /usr/bin/time; do
    command -v "$tool" > /dev/null || { echo "compare-sumo: $tool is missing (bash scripts/install-deps.sh)" >&2; exit 2; }
done
for f in "$view" "$import"; do
    [[ -x $f ]] || { echo "compare-sumo: $f is missing; build first (cmake --build $build)" >&2; exit 2; }
done

# Both programs keep their settings away from the user's: a home of their own in the scratch folder.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

display=""
xvfbPid=""
cleanup() {
    [[ -n $xvfbPid ]] && kill "$xvfbPid" 2> /dev/null || true
}
trap cleanup EXIT

startXvfb() {
    for d in $(seq 90 140); do
        [[ -e /tmp/.X$d-lock || -e /tmp/.X11-unix/X$d ]] && continue
        Xvfb ":$d" -screen 0 2560x1600x24 -nolisten tcp > "$work/xvfb.log" 2>&1 &
        xvfbPid=$!
        for _ in $(seq 50); do
            [[ -e /tmp/.X11-unix/X$d ]] && { display=":$d"; return 0; }
            kill -0 "$xvfbPid" 2> /dev/null || break
            sleep 0.1
        done
        kill "$xvfbPid" 2> /dev/null || true
        xvfbPid=""
    done
    echo "compare-sumo: cannot start Xvfb (see $work/xvfb.log)" >&2
    exit 2
}

# Columns x rows for N junctions: the largest divisor of N up to its square root.
gridShape() {
    local n=$1 x
    x=$(awk -v n="$n" 'BEGIN { x = int(sqrt(n)); while (x > 1 && n % x) x--; print x }')
    echo "$((n / x)) $x"
}

makeGrid() {
    local n=$1 net=$work/grid$n.net.xml
    [[ -s $net ]] && return 0
    read -r cols rows < <(gridShape "$n")
    echo "making the $cols x $rows grid ($n junctions)" >&2
    local args=(--grid --grid.x-number "$cols" --grid.y-number "$rows" --grid.length 100)
    netgenerate "${args[@]}" -o "$work/plain$n.net.xml" > /dev/null 2>&1
    local lights
    lights=$(grep -o '<junction id="[^"]*" type="[^"]*"' "$work/plain$n.net.xml" | grep -v '"internal"' \
        | sed 's/<junction id="\([^"]*\)".*/\1/' | awk 'NR % 5 == 1' | paste -sd,)
    netgenerate "${args[@]}" --tls.set "$lights" -o "$net.part" > /dev/null 2>&1
    mv "$net.part" "$net"
    rm -f "$work/plain$n.net.xml"
}

# SUMO net file -> NAME.ostka beside it (grids have no geo-reference: placed in Berlin).
importNet() {
    local net=$1 name=$2
    [[ -s $work/$name.ostka ]] && return 0
    local origin=()
    grep -q 'projParameter="!"' "$net" && origin=(--origin 13.40,52.50)
    "$import" -q "${origin[@]}" "$net" -o "$work/$name"
}

# One timed run: "cpu wall maxrss_kB" on stdout; the command's output goes to a log. A failed
# run stops the race, unless TOLERATE is set: then it is timed all the same and noted.
timed() {
    local log=$1
    shift
    if ! /usr/bin/time -f '%U %S %e %M' -o "$work/time.out" "$@" > "$log" 2>&1; then
        if [[ -z ${TOLERATE:-} ]]; then
            echo "compare-sumo: failed: $* (see $log)" >&2
            exit 1
        fi
        echo "note: $(basename "$1") failed ($(grep -v '^Command exited' "$log" | tail -1)); timed all the same" >> "$work/notes"
    fi
    awk '!/^Command/ { printf "%.3f %.3f %d\n", $1 + $2, $3, $4 }' "$work/time.out"
}

runOurs() {
    local name=$1
    rm -f "$work/$name.ours.png"
    QT_QPA_PLATFORM=offscreen timed "$work/$name.ours.log" "$view" "$work/$name.ostka" \
        --screenshot "$work/$name.ours.png" --after 1000 --size "$picture"
}

runGui() {
    local name=$1 net=$2
    rm -f "$work/$name.gui.png"
    cat > "$work/$name.gui.xml" << EOF
<viewsettings><snapshot file="$work/$name.gui.png" time="0"/></viewsettings>
EOF
    DISPLAY=$display timed "$work/$name.gui.log" sumo-gui -n "$net" -g "$work/$name.gui.xml" --start \
        --quit-on-end --end 1 --window-size "${picture/x/,}" --no-step-log --no-warnings
    [[ -s $work/$name.gui.png ]] || { echo "compare-sumo: sumo-gui wrote no picture for $name" >&2; exit 1; }
}

median() {
    sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# Prints one table row from the samples files of two programs.
report() {
    local label=$1 ours=$2 theirs=$3
    local oc ow om tc tw tm
    oc=$(cut -d' ' -f1 "$ours" | median); ow=$(cut -d' ' -f2 "$ours" | median); om=$(cut -d' ' -f3 "$ours" | median)
    tc=$(cut -d' ' -f1 "$theirs" | median); tw=$(cut -d' ' -f2 "$theirs" | median); tm=$(cut -d' ' -f3 "$theirs" | median)
    awk -v l="$label" -v oc="$oc" -v ow="$ow" -v om="$om" -v tc="$tc" -v tw="$tw" -v tm="$tm" 'BEGIN {
        printf "%-14s %7.2f %7.2f %7.0f | %7.2f %7.2f %7.0f | %5.2fx %5.2fx %5.2fx\n",
               l, oc, ow, om / 1024, tc, tw, tm / 1024, oc / tc, ow / tw, om / tm }'
}

header() {
    printf '%-14s %7s %7s %7s | %7s %7s %7s | %6s %6s %6s\n' "$1" cpu_s wall_s MB cpu_s wall_s MB cpu wall memory
    printf '%-14s %23s | %23s | %s\n' "" "$2" "$3" "ratios (medians)"
}

names=()
nets=()
if [[ ${BERLIN:-1} != 0 ]]; then
    [[ -f $berlin ]] || { echo "compare-sumo: $berlin is missing (apt-get install sumo-tools)" >&2; exit 2; }
    importNet "$berlin" berlin
    names+=(berlin)
    nets+=("$berlin")
fi
for n in $sizes; do
    makeGrid "$n"
    importNet "$work/grid$n.net.xml" "grid$n"
    names+=("grid$n")
    nets+=("$work/grid$n.net.xml")
done

echo "scratch folder: $work; $runs interleaved rounds, pictures $picture" >&2
if ((${#names[@]} > 0)); then
    startXvfb
    for name in "${names[@]}"; do : > "$work/$name.ours.samples"; : > "$work/$name.gui.samples"; done
    for round in $(seq "$runs"); do
        for i in "${!names[@]}"; do
            name=${names[$i]}
            if ((round % 2)); then
                runOurs "$name" >> "$work/$name.ours.samples"
                runGui "$name" "${nets[$i]}" >> "$work/$name.gui.samples"
            else
                runGui "$name" "${nets[$i]}" >> "$work/$name.gui.samples"
                runOurs "$name" >> "$work/$name.ours.samples"
            fi
        done
        echo "round $round of $runs done" >&2
    done
    echo
    header "network" "ostrik-view" "sumo-gui"
    for name in "${names[@]}"; do
        report "$name" "$work/$name.ours.samples" "$work/$name.gui.samples"
    done
fi

if [[ -n $importSizes ]]; then
    for n in $importSizes; do makeGrid "$n"; done
    for n in $importSizes; do : > "$work/import$n.ours.samples"; : > "$work/import$n.nc.samples"; done
    for round in $(seq "$runs"); do
        for n in $importSizes; do
            # The importer does all its work before it may refuse a result too large for the readers.
            ours() { TOLERATE=1 timed "$work/import$n.ours.log" "$import" -q --origin 13.40,52.50 "$work/grid$n.net.xml" -o "$work/race$n"; }
            theirs() { timed "$work/import$n.nc.log" netconvert --sumo-net-file "$work/grid$n.net.xml" -o "$work/race$n.net.xml"; }
            if ((round % 2)); then
                ours >> "$work/import$n.ours.samples"; theirs >> "$work/import$n.nc.samples"
            else
                theirs >> "$work/import$n.nc.samples"; ours >> "$work/import$n.ours.samples"
            fi
            rm -f "$work/race$n".*
        done
        echo "import round $round of $runs done" >&2
    done
    echo
    header "import" "ostka-import" "netconvert -s"
    for n in $importSizes; do
        report "grid$n" "$work/import$n.ours.samples" "$work/import$n.nc.samples"
    done
fi
[[ -s $work/notes ]] && sort -u "$work/notes"
exit 0
