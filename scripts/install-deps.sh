#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need. Idempotent and
# silent when everything is present. SUMO (its simulator and TraCI client library, which
# the demo host links, and its tools with real-world networks and randomTrips.py) is part
# of it; --sumo is still accepted and changes nothing.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  qtbase5-dev qttools5-dev qttools5-dev-tools libqt5svg5-dev
  libbenchmark-dev
  xvfb xauth
  clang-14 libclang-rt-14-dev
  zlib1g-dev libproj-dev
  sumo sumo-tools
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
