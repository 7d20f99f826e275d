#!/usr/bin/env bash
# The Windows build as a technician sees it: the installer from build-windows/
# installed under Wine (Italian system language) on a virtual display with a
# window manager, the window connected through COM5 to quarn-emulator on a
# paced line, and a screenshot of each step: splash, main window, the port
# list, the read, a new code, Programma, a field's context menu (Qt's
# Italian texts), the save and open dialogs.
#
#   scripts/windows/screenshots.sh [SHOTS_DIR]   (default build-windows/shots)
#
# Run scripts/windows/check.sh first. The main window after the read also
# goes to docs/images/windows-main-window.png.
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
source "$repo/scripts/windows/common.sh"
build=$repo/build-windows
shots=${1:-$build/shots}
installer=$(ls "$build"/quarn-configurator-*-win64.exe 2>/dev/null | head -n1)
emulator=$repo/build/emulator/quarn-emulator
[ -f "$installer" ] && [ -x "$emulator" ] || { echo "run scripts/windows/check.sh first" >&2; exit 1; }
mkdir -p "$shots"

scratch=$(mktemp -d)
export WINEPREFIX=$scratch/prefix WINEDEBUG=-all LC_ALL=it_IT.UTF-8
display=:96
pids=()
cleanup() {
  wineserver --kill 2>/dev/null || true
  kill "${pids[@]}" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT

ensure_wine_prefix "$WINEPREFIX"
wine "$installer" /S
wineserver --wait
program="$WINEPREFIX/drive_c/Program Files/Quelmora/Configuratore Per Quarn/quarn-configurator.exe"

Xvfb "$display" -screen 0 1024x768x24 >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display
until xdpyinfo >/dev/null 2>&1; do sleep 0.1; done
openbox --sm-disable >/dev/null 2>&1 &
pids+=($!)

"$emulator" --link "$(wine_emulator_link "$WINEPREFIX")" >"$scratch/emulator.out" 2>"$scratch/emulator.log" &
pids+=($!)
until [ -s "$scratch/emulator.out" ]; do sleep 0.1; done

# Waits until the emulator's log holds $2 lines matching $1.
wait_for_log() {
  local deadline=$((SECONDS + 60))
  until [ "$(grep -c -- "$1" "$scratch/emulator.log")" -ge "$2" ]; do
    [ $SECONDS -lt $deadline ] || { echo "timed out waiting for $2 × '$1'" >&2; exit 1; }
    sleep 0.2
  done
}
# The last visible window matching xdotool search's arguments. A search
# fails when a window goes away while it looks: it is tried again.
find_window() {
  local id=""
  until id=$(xdotool search --onlyvisible "$@" 2>/dev/null | tail -n1) && [ -n "$id" ]; do sleep 0.5; done
  echo "$id"
}
# The whole screen, and the window alone with its title bar.
shoot() {
  import -window root "$shots/$1-screen.png"
  import -frame -window "$(find_window --class quarn-configurator)" "$shots/$1.png"
  echo "$shots/$1.png"
}
# Clicks at a point of the main window, in the coordinates of the Linux
# pictures (Wine reports the window's place that way).
click_at() {
  eval "$(xdotool getwindowgeometry --shell "$main")"
  xdotool mousemove $((X + $1)) $((Y + $2)) click "${3:-1}"
}

wine "$program" >"$scratch/program.log" 2>&1 &
pids+=($!)
xdotool search --sync --onlyvisible --class quarn-configurator >/dev/null
sleep 2  # the splash draws itself
shoot 1-splash
xdotool key Return  # Continua
sleep 2
main=$(xdotool search --sync --onlyvisible --class quarn-configurator | tail -n1)
xdotool windowactivate --sync "$main"
shoot 2-main-window

# Com 5 from the port list: its arrow, then the keyboard as in any list.
click_at 471 488
sleep 1
shoot 3-port-list
xdotool key Down Down Down Down Return
sleep 1
click_at 92 346  # Connetti
wait_for_log "PC -> TX  52 'R'" 63
sleep 2
shoot 4-read
cp "$shots/4-read.png" "$repo/docs/images/windows-main-window.png"

# A new code, typed as the technician types it.
click_at 60 110 1
xdotool key ctrl+a
xdotool type --delay 150 4321
sleep 1
shoot 5-new-code
# Qt's own texts (here the field's menu) come from qtbase_it.qm.
click_at 60 110 3
sleep 1
shoot 6-context-menu
xdotool key Escape
sleep 1

click_at 235 346  # Programma
wait_for_log "PC -> TX  52 'R'" 126
sleep 2
shoot 7-programmed

# The settings file dialogs: Windows' own, in Italian. Each is closed
# unused.
dialog_shot() {  # KEYS TITLE PICTURE
  local dialog
  main=$(find_window --class quarn-configurator)
  xdotool windowactivate --sync "$main" key "$1"
  dialog=$(find_window --name "$2")
  sleep 2  # it fills its folder view
  import -window root "$shots/$3-screen.png"
  import -frame -window "$dialog" "$shots/$3.png"
  echo "$shots/$3.png"
  xdotool key --window "$dialog" Escape
  sleep 2
}
dialog_shot ctrl+s "Salva impostazioni" 8-save-dialog
dialog_shot ctrl+o "Apri impostazioni" 9-open-dialog
echo "pictures in $shots"
