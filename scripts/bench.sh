#!/usr/bin/env bash
# Builds a benchmark (g++ -O2, no sanitizers) and runs it.
#   scripts/bench.sh [entries...]   the XML benchmark: load and save of alarm documents
#                                   beside pugixml, tinyxml2 and libxml2; default 1000 10000 100000
#   scripts/bench.sh startup        the real program's start-up under Wine with 0, 1,000 and
#                                   100,000 alarms
# The benchmarks under Wine build the program as the release preset does (-O2,
# static, stripped): what they measure is what ships.
#   scripts/bench.sh firing [count] the real program under Wine: how soon an alarm's window and
#                                   sound come after its minute begins; one alarm a minute for
#                                   count minutes (default 10)
#   scripts/bench.sh audio          the audio engine: natively on the null device with a 10-minute
#                                   Ogg Vorbis file, then the MinGW-w64 build under Wine through
#                                   waveOut with a 10-minute MP3 (ALSA's null device stands in for
#                                   a sound card)
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" = startup ]; then
  # Start-up of the real program under Wine with 0, 1,000 and 100,000 alarms.
  scripts/deps.sh g++-mingw-w64-x86-64-posix wine wine64 xvfb xauth gstreamer1.0-plugins-good gstreamer1.0-libav
  cmake --preset release -B build/bench-windows -DTOLLIVANE_BENCH=ON >/dev/null
  cmake --build build/bench-windows -j2 --target startup_bench Tollivane
  printf 'pcm.!default { type null }\n' >build/asound-null.conf
  xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    source scripts/wine-env.sh
    export ALSA_CONFIG_PATH="$PWD/build/asound-null.conf"
    trap wine_stop EXIT
    wine_start
    wine build/bench-windows/bench/startup_bench.exe "Z:$PWD/build/bench-windows/src/app/Tollivane.exe" 2>/dev/null'
  exit 0
fi

if [ "${1:-}" = firing ]; then
  scripts/deps.sh g++-mingw-w64-x86-64-posix wine wine64 xvfb xauth gstreamer1.0-plugins-good gstreamer1.0-libav
  cmake --preset release -B build/bench-windows -DTOLLIVANE_BENCH=ON >/dev/null
  cmake --build build/bench-windows -j2 --target firing_bench Tollivane
  # What waveOut plays goes into WAV files over ALSA's null device; each new
  # opening of the device a new numbered file (truncate false).
  capture="$PWD/build/firing-capture/capture.wav"
  mkdir -p "$(dirname "$capture")"
  printf 'pcm.!default {\n  type file\n  slave { pcm { type null } }\n  file "%s"\n  format "wav"\n  truncate false\n}\n' \
    "$capture" >build/asound-firing.conf
  COUNT="${2:-10}" CAPTURE="$capture" xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    source scripts/wine-env.sh
    export ALSA_CONFIG_PATH="$PWD/build/asound-firing.conf"
    trap wine_stop EXIT
    wine_start
    wine build/bench-windows/bench/firing_bench.exe "Z:$PWD/build/bench-windows/src/app/Tollivane.exe" \
      "Z:$CAPTURE" "$COUNT" 2>/dev/null'
  exit 0
fi

if [ "${1:-}" = audio ]; then
  scripts/deps.sh cmake make g++ pkg-config libpugixml-dev libtinyxml2-dev libxml2-dev libstb-dev sox lame \
    g++-mingw-w64-x86-64-posix wine wine64 xvfb xauth gstreamer1.0-plugins-good gstreamer1.0-libav
  work="$(mktemp -d)"
  trap 'rm -rf "$work"' EXIT
  echo "Making 10-minute test files..."
  sox -n -r 44100 -c 2 "$work/long.ogg" synth 600 pinknoise vol 0.3
  sox -n -r 44100 -c 2 -b 16 -t wav - synth 600 pinknoise vol 0.3 | lame --quiet -b 128 - "$work/long.mp3"
  sox -n -r 44100 -c 2 -b 16 -t wav - synth 1 sine 660 vol 0.5 | lame --quiet -b 128 - "$work/short.mp3"
  printf 'pcm.!default { type null }\n' >"$work/asound.conf"

  cmake --preset bench >/dev/null
  cmake --build --preset bench -j2 --target audio_bench
  echo "== native, null device, Ogg Vorbis"
  build/bench/bench/audio_bench "$work/long.ogg"

  # The cross build of the same benchmark; by hand:
  #   cmake --preset release -B build/bench-windows -DTOLLIVANE_BENCH=ON
  #   cmake --build build/bench-windows --target audio_bench
  #   source scripts/wine-env.sh && wine_start
  #   ALSA_CONFIG_PATH=asound.conf wine build/bench-windows/bench/audio_bench.exe [--null] LONG SHORT
  cmake --preset release -B build/bench-windows -DTOLLIVANE_BENCH=ON >/dev/null
  cmake --build build/bench-windows -j2 --target audio_bench
  source scripts/wine-env.sh
  trap 'wine_stop; rm -rf "$work"' EXIT
  wine_start
  echo "== Wine, waveOut, MP3 through Media Foundation"
  ALSA_CONFIG_PATH="$work/asound.conf" wine build/bench-windows/bench/audio_bench.exe "$work/long.mp3" "$work/short.mp3"
  echo "== Wine, null device, MP3 through Media Foundation"
  ALSA_CONFIG_PATH="$work/asound.conf" wine build/bench-windows/bench/audio_bench.exe --null "$work/long.mp3" "$work/short.mp3"
  exit 0
fi

scripts/deps.sh cmake make g++ pkg-config libpugixml-dev libtinyxml2-dev libxml2-dev libstb-dev

cmake --preset bench >/dev/null
cmake --build --preset bench -j2 --target xml_bench
build/bench/bench/xml_bench "$@"
