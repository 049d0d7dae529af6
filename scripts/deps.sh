#!/usr/bin/env bash
# Installs Debian packages once; a machine that has them all is left alone.
#   scripts/deps.sh                what the build and the tests need
#   scripts/deps.sh PACKAGE...     those packages instead (the bench and fuzz scripts)
set -euo pipefail

packages=(
  cmake g++ make googletest pkg-config libxml2-dev libstb-dev
  g++-mingw-w64-x86-64-posix
  wine wine64 xvfb xauth
  gstreamer1.0-plugins-good gstreamer1.0-libav fonts-wine
)
[ $# -gt 0 ] && packages=("$@")

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
