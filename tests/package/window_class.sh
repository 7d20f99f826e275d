#!/usr/bin/env bash
# Starts PROGRAM [ARGUMENTS...] on the X display of DISPLAY and prints the
# class part of the WM_CLASS of its first top-level window, then ends it.
# Empty output: no window within 60 s.
#
#   window_class.sh PROGRAM [ARGUMENTS...]
set -uo pipefail
env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY "$@" >/dev/null 2>&1 &
program=$!
trap 'kill $program 2>/dev/null; wait $program 2>/dev/null' EXIT
for _ in $(seq 600); do
  kill -0 $program 2>/dev/null || exit 0
  for window in $(xwininfo -root -children 2>/dev/null | sed -n 's/^ *\(0x[0-9a-f]*\) .*/\1/p'); do
    class=$(xprop -id "$window" WM_CLASS 2>/dev/null | sed -n 's/^WM_CLASS(STRING) = "[^"]*", "\(.*\)"$/\1/p')
    if [ -n "$class" ]; then
      echo "$class"
      exit 0
    fi
  done
  sleep 0.1
done
