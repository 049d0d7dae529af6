#!/usr/bin/env bash
# Builds and runs every test: natively (g++, AddressSanitizer and
# UndefinedBehaviorSanitizer), then the MinGW-w64 cross build under Wine and Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh

cmake --preset native >/dev/null
cmake --build --preset native -j2
ctest --preset native

cmake --preset windows >/dev/null
cmake --build --preset windows -j2

source scripts/wine-env.sh
trap wine_stop EXIT
wine_start
xvfb-run -a ctest --preset windows
