#!/usr/bin/env bash
# Runs a Windows program under Wine, as CTest does for every test program of
# a build crossed from Linux (CMAKE_CROSSCOMPILING_EMULATOR):
#
#   wine-run.sh PREFIX DLL_DIRS FONT_DIR PROGRAM [ARGUMENTS...]
#
# PREFIX is the build's own Wine prefix, made on first use; DLL_DIRS, a
# colon-separated list of Linux folders, are where the program finds the Qt
# and MinGW DLLs; FONT_DIR holds the fonts Qt's offscreen platform uses.
# Wine's messages are silenced and the program's exit status is passed on.
set -euo pipefail
source "$(dirname "$0")/common.sh"
prefix=${1:?usage: wine-run.sh PREFIX DLL_DIRS FONT_DIR PROGRAM [ARGUMENTS...]}
dll_dirs=$2
font_dir=$3
shift 3

ensure_wine_prefix "$prefix"
ensure_wine_server "$prefix"
export WINEPREFIX=$prefix WINEDEBUG=-all
# Qt for Windows logs to the debugger instead of standard error when the
# program has no console, as under Wine with its output in a pipe: QtTest's
# report and every warning would be lost.
export QT_FORCE_STDERR_LOGGING=1
export QT_QPA_FONTDIR="Z:${font_dir//\//\\}"
# Wine hands Linux's QT_* variables to no Windows program (they would set up
# the Linux Qt); WINEQT_X reaches it as QT_X (QT_QPA_PLATFORM=offscreen from
# CTest, for one).
for name in $(compgen -e QT_); do export "WINE$name=${!name}"; done
# The DLL folders as Windows paths on drive Z:, the Linux root.
windows_dirs=()
IFS=: read -ra linux_dirs <<<"$dll_dirs"
for dir in "${linux_dirs[@]}"; do windows_dirs+=("Z:${dir//\//\\}"); done
WINEPATH=$(IFS=';'; echo "${windows_dirs[*]}")
export WINEPATH
# As on the technicians' PCs, Windows speaks Italian: the system's error
# texts, the number formats of the regional settings.
exec env LC_ALL=it_IT.UTF-8 wine "$@"
