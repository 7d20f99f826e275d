#!/usr/bin/env bash
# Remakes the README's pictures: the splash and the main window in demo mode
# after a connect, on a virtual display with a window manager.
# Usage: scripts/screenshots.sh [build dir]   (default build-run; run ./run.sh once first)
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build-run}
program="$build_dir/app/quarn-configurator"
[ -x "$program" ] || { echo "$program is missing: build it first (./run.sh)" >&2; exit 1; }
for tool in Xvfb openbox import xdotool; do
  command -v "$tool" >/dev/null || { echo "$tool is missing: apt-get install xvfb openbox imagemagick xdotool" >&2; exit 1; }
done

display=:97
Xvfb "$display" -screen 0 1024x768x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null' EXIT
sleep 1
export DISPLAY=$display
openbox --sm-disable >/dev/null 2>&1 &
sleep 1
# Backups of the demo go to a scratch folder, not the user's.
XDG_DATA_HOME=$(mktemp -d) "$program" --demo >/dev/null 2>&1 &
app=$!
trap 'kill $app $xvfb 2>/dev/null' EXIT

# Crops the root window to the window named like $1.
shoot() {
  local window x y width height
  window=$(xdotool search --sync --onlyvisible --name "$1" | head -1)
  eval "$(xdotool getwindowgeometry --shell "$window" | sed 's/^/local /')"
  x=$X y=$Y width=$WIDTH height=$HEIGHT
  import -window root -crop "${width}x${height}+${x}+${y}" +repage "$2"
}

sleep 2
shoot "Quelmora Elettronica" docs/images/splash.png
xdotool key Return  # Continua
sleep 1
main=$(xdotool search --sync --onlyvisible --name "DEMO" | head -1)
xdotool windowactivate --sync "$main"
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool mousemove $((X + 92)) $((Y + 346)) click 1  # Connetti
sleep 3  # the handshake and a paced read of 63 cells
shoot "DEMO" docs/images/main-window.png
echo "docs/images/splash.png docs/images/main-window.png remade"
