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

# Wine starts on the display the tests use: windows made before it was there
# would fail.
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  source scripts/wine-env.sh
  trap wine_stop EXIT
  wine_start
  ctest --preset windows'
