# Sourced: a private Wine prefix under build/ (or the WINEPREFIX already set,
# so that parallel builds keep to their own), quiet, with no prompt for
# runtimes nobody needs, and one wineserver kept running for the whole run.
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEPREFIX="${WINEPREFIX:-$root/build/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64

wine_start() {
  [ -f "$WINEPREFIX/.update-timestamp" ] || echo "Creating the Wine prefix (once, takes a while)..."
  # Set once, with no server running afterwards: sound through ALSA, whatever
  # else the machine has (the audio tests give ALSA a configuration that
  # writes what is played into a file); and Wine's virtual desktop, whose
  # window manager gives frames and a notification area, and without which
  # Wine takes seconds to hide a window on a bare X server.
  if ! grep -q '"Desktop"="Default"' "$WINEPREFIX/user.reg" 2>/dev/null; then
    {
      wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /d alsa /f
      wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f
      wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x1024 /f
      wineserver -w
    } </dev/null >/dev/null 2>&1 || true
  fi
  # One server for the whole run. Booting here starts Wine's background
  # services with their output on /dev/null: started by the first test instead,
  # they would inherit CTest's output pipe and CTest would wait for them forever.
  wineserver -p </dev/null >/dev/null 2>&1 || true
  wineboot -i </dev/null >/dev/null 2>&1 || true
  # The caption buttons of every window are drawn with Marlett, which a new
  # prefix lacks (they show as "0 1 r"): the one fonts-wine ships goes in.
  local fonts="$WINEPREFIX/drive_c/windows/Fonts"
  if [ -f /usr/share/wine/fonts/marlett.ttf ] && [ ! -f "$fonts/marlett.ttf" ]; then
    mkdir -p "$fonts" && cp /usr/share/wine/fonts/marlett.ttf "$fonts/"
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts' /v 'Marlett (TrueType)' \
      /d marlett.ttf /f </dev/null >/dev/null 2>&1 || true
  fi
}

wine_stop() {
  wineserver -k >/dev/null 2>&1 || true
}
