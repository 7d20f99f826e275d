#!/usr/bin/env bash
# Runs a command while quarn-emulator (the Linux program) serves a simulated
# transmitter behind COM$wine_emulator_com of a test Wine prefix (common.sh):
#
#   with-emulator.sh PREFIX EMULATOR [EMULATOR OPTIONS...] -- COMMAND [ARGUMENTS...]
#
# The command finds the emulator's traffic log, as a Windows path, in
# QUARN_WINE_EMULATOR_LOG. The emulator is stopped when the command ends,
# and the command's exit status is passed on.
set -euo pipefail
source "$(dirname "$0")/common.sh"
usage="usage: with-emulator.sh PREFIX EMULATOR [OPTIONS...] -- COMMAND [ARGUMENTS...]"
prefix=${1:?$usage}
emulator=${2:?$usage}
shift 2
options=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do
  options+=("$1")
  shift
done
[ "${1:-}" = "--" ] && [ $# -ge 2 ] || { echo "$usage" >&2; exit 2; }
shift

ensure_wine_prefix "$prefix"
scratch=$(mktemp -d)
emulator_pid=
stop_emulator() {
  if [ -n "$emulator_pid" ]; then
    kill "$emulator_pid" 2>/dev/null || true
    wait "$emulator_pid" 2>/dev/null || true
  fi
  rm -rf "$scratch"
}
trap stop_emulator EXIT

# The emulator's first line names its device once it serves: read through a
# pipe, so the wait ends the moment it is printed.
mkfifo "$scratch/out"
"$emulator" --link "$(wine_emulator_link "$prefix")" "${options[@]}" >"$scratch/out" 2>"$scratch/log" &
emulator_pid=$!
exec 3<"$scratch/out"
if ! read -r -t 30 -u 3 device; then
  echo "with-emulator.sh: quarn-emulator did not start:" >&2
  cat "$scratch/log" >&2
  exit 1
fi

QUARN_WINE_EMULATOR_LOG="Z:${scratch//\//\\}\\log"
export QUARN_WINE_EMULATOR_LOG
status=0
"$@" || status=$?
if [ "$status" -ne 0 ]; then
  echo "--- quarn-emulator ($device) log:" >&2
  tail -n 40 "$scratch/log" >&2
fi
exit "$status"
