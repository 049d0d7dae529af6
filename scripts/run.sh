#!/usr/bin/env bash
# Builds Tollivane and starts it.
#   scripts/run.sh            start with the data.xml beside the exe (an empty list the first time)
#   scripts/run.sh --sample   put a sample alarm list there first, if there is none
# On Linux it runs under Wine, in a Wine desktop window (which has a notification area) on your
# display, or on a virtual Xvfb display when there is none; then a screenshot is saved every
# few seconds to build/tollivane-screen.png so that you can see it.
set -euo pipefail
cd "$(dirname "$0")/.."

sample=false
[ "${1:-}" = "--sample" ] && sample=true

case "$(uname -s)" in
  MINGW* | MSYS* | CYGWIN*)
    cmake --preset windows >/dev/null
    cmake --build --preset windows --target Tollivane
    exe_dir=build/windows/src/app
    if $sample && [ ! -f "$exe_dir/data.xml" ]; then cp assets/sample/data.xml "$exe_dir/"; fi
    exec "$exe_dir/Tollivane.exe"
    ;;
esac

scripts/deps.sh
scripts/deps.sh imagemagick fonts-wine gstreamer1.0-plugins-good gstreamer1.0-libav
cmake --preset windows >/dev/null
cmake --build --preset windows -j2 --target Tollivane
exe_dir=build/windows/src/app
if $sample && [ ! -f "$exe_dir/data.xml" ]; then cp assets/sample/data.xml "$exe_dir/"; fi

source scripts/wine-env.sh
wine_start
trap wine_stop EXIT
desktop="explorer /desktop=Tollivane,1280x800"

if [ -n "${DISPLAY:-}" ]; then
  wine $desktop "$exe_dir/Tollivane.exe"
else
  echo "No display: Tollivane runs on a virtual display; build/tollivane-screen.png shows it. Ctrl+C ends it."
  xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
    wine '"$desktop"' "$1" &
    program=$!
    while kill -0 $program 2>/dev/null; do
      sleep 5
      import -window root build/tollivane-screen.png 2>/dev/null || true
    done' _ "$exe_dir/Tollivane.exe"
fi
