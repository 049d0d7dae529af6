#!/usr/bin/env bash
# Builds the XML benchmark (g++ -O2, no sanitizers) and runs it: load and save
# of alarm documents beside pugixml, tinyxml2 and libxml2.
#   scripts/bench.sh [entries...]     default: 1000 10000 100000
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake make g++ pkg-config libpugixml-dev libtinyxml2-dev libxml2-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

cmake --preset bench >/dev/null
cmake --build --preset bench -j2 --target xml_bench
build/bench/bench/xml_bench "$@"
