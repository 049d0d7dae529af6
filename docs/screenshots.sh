#!/usr/bin/env bash
# Makes the screenshots in docs/ from the real Tollivane.exe under Wine and
# Xvfb, at 96 DPI and at 144 DPI. Takes a few minutes: the alarm window waits
# for an alarm to come due.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
scripts/deps.sh imagemagick xdotool fonts-wine
cmake --preset windows >/dev/null
cmake --build --preset windows -j2 --target Tollivane ScreenDriver

export WINEPREFIX="$PWD/build/wineprefix-docs"
source scripts/wine-env.sh
export ALSA_CONFIG_PATH="$PWD/build/asound-null.conf"
printf 'pcm.!default { type null }\n' >"$ALSA_CONFIG_PATH"
exe_dir="$PWD/build/windows/src/app"
driver="$PWD/build/windows/docs/tools/ScreenDriver.exe"
work="$(mktemp -d)"
trap 'wine_stop; rm -rf "$work"' EXIT

# One run of the program on a virtual display: $1 DPI, $2 size, $3 data.xml,
# $4 the steps (a shell function name).
session() {
  local dpi=$1 size=$2 data=$3 steps=$4
  rm -rf "$work/app" && mkdir -p "$work/app"
  cp "$exe_dir/Tollivane.exe" "$work/app/" && cp -r "$exe_dir/Sounds" "$work/app/"
  cp "$data" "$work/app/data.xml"
  xvfb-run -a -s "-screen 0 ${size}x24" bash -c '
    source scripts/wine-env.sh
    wine_start
    # The driver must share the desktop of the program: the default one.
    wine reg add "HKCU\\Control Panel\\Desktop" /v LogPixels /t REG_DWORD /d '"$dpi"' /f >/dev/null 2>&1
    wine reg add "HKCU\\Software\\Wine\\Explorer\\Desktops" /v Default /d '"$size"' /f >/dev/null 2>&1
    wineserver -k; wineserver -w
    wine_start
    wine "$1/app/Tollivane.exe" >/dev/null 2>&1 &
    sleep 8
    source "$2"
    '"$steps"' '"$dpi"' '"$size"'
    wine "$3" close Tollivane >/dev/null 2>&1 || true
    sleep 3
    wine_stop' _ "$work" "$work/steps.sh" "$driver"
}

shot() { import -window root "docs/$1.png"; }
drive() { wine "$DRIVER" "$@" >/dev/null 2>&1; sleep 2; }

cat >"$work/steps.sh" <<STEPS
DRIVER="$driver"
$(declare -f shot drive)
suffix() { [ "\$1" = 96 ] || echo "-\$1"; }
main_steps() {
  local s; s=\$(suffix "\$1")
  if [ "\$1" = 96 ]; then
    shot main
    drive select 1; shot main-selected
    # The notification-area icon sits at the bottom right of Wine's desktop.
    local w=\${2%x*} h=\${2#*x}
    xdotool mousemove \$((w - 12)) \$((h - 10)) click 3; sleep 2; shot tray-menu
    xdotool key Escape; sleep 1
  fi
  drive button "Add Alarm..."; shot editor-new\$s; drive button Cancel
  drive dblclick 2; shot editor-edit\$s; drive button Cancel
  drive button "About..."; shot about\$s; drive button OK
}
alarm_steps() {
  # Until the alarm of the coming minute has gone off.
  sleep \$((62 - \$(date +%S)))
  shot alarm-window\$(suffix "\$1")
}
STEPS

# A list whose first alarm comes due at the start of the next minute.
due_list() {
  local due
  due=$(date -d '+1 min' +%H:%M)
  sed "0,/<Time>06:45<\/Time>/s//<Time>$due<\/Time>/; 0,/<Days>Monday, Tuesday, Wednesday, Thursday, Friday<\/Days>/s//<Days>All days<\/Days>/" \
    assets/sample/data.xml >"$work/due.xml"
}

for dpi in ${DPIS:-96 144}; do
  size=1024x768
  [ "$dpi" = 96 ] || size=1440x1080
  [ -n "${ALARM_ONLY:-}" ] || session "$dpi" "$size" assets/sample/data.xml main_steps
  due_list
  session "$dpi" "$size" "$work/due.xml" alarm_steps
done
ls -l docs/*.png
