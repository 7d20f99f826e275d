#!/usr/bin/env bash
# Builds Qt 6 (qtbase: Core, Gui, Widgets, Test, the windows and offscreen
# platform plugins) for 64-bit Windows from Debian's qt6-base source package,
# with Debian's patches applied, and installs it into the cache folder
# ${QUARN_QT_WINDOWS:-${XDG_CACHE_HOME:-$HOME/.cache}/quarn/qt-6.4.2-mingw64}.
# Does nothing when that folder already holds a finished build. Takes the
# better part of an hour on two cores.
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
source "$repo/scripts/windows/common.sh"

if qt_windows_ready; then
  echo "Qt for Windows is ready in $qt_windows_dir"
  exit 0
fi

install_windows_deps
start=$SECONDS

# apt-get source needs a deb-src entry; this one mirrors the machine's own
# Debian sources and is kept in a file of its own.
src_list=/etc/apt/sources.list.d/quarn-deb-src.sources
if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
  sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources | $sudo tee "$src_list" >/dev/null
  $sudo apt-get update -qq
fi

work="$qt_windows_dir.work"
rm -rf "$work" "$qt_windows_dir"
mkdir -p "$work"
# The installed Qt keeps the toolchain's path; give it a copy that outlives
# this checkout.
mkdir -p "$qt_windows_dir"
cp "$repo/cmake/mingw-w64.cmake" "$qt_windows_dir/mingw-w64.cmake"

(cd "$work" && apt-get source -qq qt6-base)
src=$(find "$work" -maxdepth 1 -type d -name 'qt6-base-*' | head -n1)
[ -n "$src" ] || { echo "apt-get source qt6-base left no source folder in $work" >&2; exit 1; }

cmake -G Ninja -S "$src" -B "$work/build" \
  -DCMAKE_TOOLCHAIN_FILE="$qt_windows_dir/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$qt_windows_dir" \
  -DBUILD_SHARED_LIBS=ON \
  -DQT_HOST_PATH=/usr \
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
  -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_opengl=OFF -DINPUT_opengl=no \
  -DFEATURE_network=OFF -DFEATURE_printsupport=OFF -DFEATURE_xml=OFF \
  -DFEATURE_concurrent=OFF -DFEATURE_tabletevent=OFF
cmake --build "$work/build" --parallel "$(nproc)"
cmake --install "$work/build"
rm -rf "$work"
touch "$qt_windows_dir/.quarn-complete"
echo "Qt for Windows built in $(( (SECONDS - start) / 60 )) min $(( (SECONDS - start) % 60 )) s: $qt_windows_dir ($(du -sh "$qt_windows_dir" | cut -f1))"
