#!/usr/bin/env bash
# Builds the release exe (the release preset: MinGW-w64 -O2, static, stripped)
# and packs it two ways into build/package/:
#   Tollivane-<version>-portable.zip   the exe and Sounds/, to run from any writable folder
#   Tollivane-<version>-setup.exe      a per-user installer (NSIS), no administrator rights
#
#   scripts/package.sh          build both
#   scripts/package.sh --test   build both, then under Wine and Xvfb: install silently, start
#                               the installed exe and close it, check data.xml was written in
#                               the install folder, upgrade over it, check the list is kept,
#                               uninstall, check data.xml is kept; uninstall once more with
#                               "Also delete my alarms" ticked; the portable zip runs too
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh cmake make g++-mingw-w64-x86-64-posix nsis
cmake --preset release >/dev/null
cmake --build --preset release -j2 --target Tollivane ScreenDriver

version="$(sed -n 's/^project(Tollivane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
out="$PWD/build/package"
stage="$out/stage"
rm -rf "$out"
mkdir -p "$stage/Sounds"
cp build/release/src/app/Tollivane.exe "$stage/"
cp assets/Sounds/*.mp3 "$stage/Sounds/"

zip="$out/Tollivane-$version-portable.zip"
(cd "$stage" && cmake -E tar cf "$zip" --format=zip Tollivane.exe Sounds)
setup="$out/Tollivane-$version-setup.exe"
makensis -V2 -DVERSION="$version" -DSOURCE="$stage" -DICON="$PWD/assets/icons/Tollivane.ico" \
  -DOUTFILE="$setup" installer/Tollivane.nsi
rm -rf "$stage"
echo "Built:"
ls -l "$zip" "$setup" build/release/src/app/Tollivane.exe | awk '{print "  " $5 " bytes  " $9}'

[ "${1:-}" = "--test" ] || exit 0

# ---- The test, on a prefix of its own, made afresh: a new user's machine.
scripts/deps.sh wine wine64 xvfb xauth fonts-wine
export WINEPREFIX="$PWD/build/wineprefix-package"
rm -rf "$WINEPREFIX"
export SETUP="$setup" ZIP="$zip" DRIVER="$PWD/build/release/docs/tools/ScreenDriver.exe"
printf 'pcm.!default { type null }\n' >"$out/asound-null.conf"
export ALSA_CONFIG_PATH="$out/asound-null.conf"
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  set -euo pipefail
  source scripts/wine-env.sh
  trap wine_stop EXIT
  wine_start
  fail() { echo "FAILED: $*"; exit 1; }
  unix() { winepath -u "$1" 2>/dev/null; }

  # Starts an exe and closes its main window as a user would, once it is up;
  # the program writes data.xml as its main window closes.
  run_and_close() {
    wine "$1" >/dev/null 2>&1 &
    local program=$! tries=0
    until wine "$DRIVER" close Tollivane >/dev/null 2>&1; do
      tries=$((tries + 1))
      [ $tries -lt 60 ] || fail "the main window of $1 did not appear"
      sleep 1
    done
    wait $program || true
  }

  local_app_data="$(wine cmd /c echo %LOCALAPPDATA% 2>/dev/null | tr -d "\r")"
  app="$(unix "$local_app_data\\Programs\\Tollivane")"
  start_menu="$(unix "$(wine cmd /c echo %APPDATA% 2>/dev/null | tr -d "\r")\\Microsoft\\Windows\\Start Menu\\Programs")"
  key="HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tollivane"
  # The Startup folder is "StartUp" under Wine: its case is not to be relied on.
  startup_link() { find "$start_menu" -mindepth 2 -maxdepth 2 -ipath "*/startup/tollivane.lnk" | grep -q .; }

  echo "Install (silent)"
  wine "$SETUP" /S || fail "the installer failed"
  [ -f "$app/Tollivane.exe" ] || fail "no Tollivane.exe in $app"
  [ "$(ls "$app/Sounds" | wc -l)" -eq 13 ] || fail "the sounds are not all in $app/Sounds"
  [ -f "$app/Uninstall.exe" ] || fail "no uninstaller"
  [ -f "$start_menu/Tollivane.lnk" ] || fail "no Start menu shortcut"
  startup_link || fail "no shortcut in the Startup folder"
  wine reg query "$key" /v UninstallString >/dev/null 2>&1 || fail "not in the installed-programs list"
  [ ! -e "$app/data.xml" ] || fail "the installer wrote a data.xml"

  echo "Start and close the installed Tollivane"
  run_and_close "$app/Tollivane.exe"
  [ -f "$app/data.xml" ] || fail "data.xml was not written in the install folder"

  echo "Upgrade over it, with alarms in the list"
  cp assets/sample/data.xml "$app/data.xml"
  run_and_close "$app/Tollivane.exe"  # the list as the program writes it
  grep -q "<Entry>" "$app/data.xml" || fail "the sample list did not load"
  cp "$app/data.xml" "$app/../list-before.xml"
  wine "$SETUP" /S || fail "the upgrade failed"
  cmp -s "$app/data.xml" "$app/../list-before.xml" || fail "the upgrade changed data.xml"
  run_and_close "$app/Tollivane.exe"
  cmp -s "$app/data.xml" "$app/../list-before.xml" || fail "the list changed after the upgrade"

  echo "Uninstall (silent)"
  wine "$app/Uninstall.exe" /S "_?=$local_app_data\\Programs\\Tollivane" || fail "the uninstaller failed"
  rm -f "$app/Uninstall.exe"  # left by _?=, which makes the uninstaller wait
  [ ! -e "$app/Tollivane.exe" ] || fail "Tollivane.exe is still there"
  [ ! -e "$app/Sounds" ] || fail "Sounds is still there"
  [ ! -e "$start_menu/Tollivane.lnk" ] || fail "the Start menu shortcut is still there"
  ! startup_link || fail "the Startup shortcut is still there"
  ! wine reg query "$key" >/dev/null 2>&1 || fail "still in the installed-programs list"
  cmp -s "$app/data.xml" "$app/../list-before.xml" || fail "data.xml was not kept"

  echo "Install again, uninstall ticking \"Also delete my alarms\""
  wine "$SETUP" /S || fail "the installer failed"
  [ -f "$app/data.xml" ] || fail "the kept data.xml went at the install"
  wine "$app/Uninstall.exe" >/dev/null 2>&1 &
  press() {  # a button or check box of the uninstaller, once it is up
    local tries=0
    until wine "$DRIVER" button "$1" >/dev/null 2>&1; do
      tries=$((tries + 1))
      [ $tries -lt 30 ] || fail "no \"$1\" in the uninstaller"
      sleep 1
    done
  }
  press "Also delete my alarms"
  press "&Uninstall"
  for tries in $(seq 30); do [ -e "$app" ] || break; sleep 1; done
  [ ! -e "$app" ] || fail "the install folder (with data.xml) is still there"
  press "&Close"

  echo "The portable zip, from a folder of its own"
  portable="$(mktemp -d)"
  ! cmake -E tar tf "$ZIP" | grep -v -E "^(Tollivane\.exe|Sounds/|Sounds/[^/]+\.mp3)\$" || fail "the zip holds more than the exe and Sounds/"
  (cd "$portable" && cmake -E tar xf "$ZIP")
  run_and_close "$portable/Tollivane.exe"
  [ -f "$portable/data.xml" ] || fail "the portable Tollivane wrote no data.xml beside it"
  rm -rf "$portable"
  echo "Package test passed."
'
