#!/usr/bin/env bash
# Builds the XML benchmark (g++ -O2, no sanitizers) and runs it: load and save
# of alarm documents beside pugixml, tinyxml2 and libxml2.
#   scripts/bench.sh [entries...]     default: 1000 10000 100000
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh cmake make g++ pkg-config libpugixml-dev libtinyxml2-dev libxml2-dev

cmake --preset bench >/dev/null
cmake --build --preset bench -j2 --target xml_bench
build/bench/bench/xml_bench "$@"
