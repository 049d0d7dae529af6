# Sourced: a private Wine prefix under build/, quiet, with no prompt for
# runtimes nobody needs, and one wineserver kept running for the whole run.
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEPREFIX="$root/build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64

wine_start() {
  [ -f "$WINEPREFIX/.update-timestamp" ] || echo "Creating the Wine prefix (once, takes a while)..."
  # One server for the whole run. Booting here starts Wine's background
  # services with their output on /dev/null: started by the first test instead,
  # they would inherit CTest's output pipe and CTest would wait for them forever.
  wineserver -p </dev/null >/dev/null 2>&1 || true
  wineboot -i </dev/null >/dev/null 2>&1 || true
}

wine_stop() {
  wineserver -k >/dev/null 2>&1 || true
}
