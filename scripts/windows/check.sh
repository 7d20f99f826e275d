#!/usr/bin/env bash
# The Windows build, checked in one command from this Debian machine:
#   1. Qt for Windows, built from Debian's source into the cache once
#      (build-qt.sh: the better part of an hour; later runs find it there);
#   2. quarn-emulator for Linux, which the end-to-end tests talk to;
#   3. the project cross-built with MinGW-w64 into build-windows/;
#   4. every Windows test under Wine, the end-to-end tests through Wine's COM
#      ports, and the installer and the zip (left in build-windows/), made and
#      checked installed.
# Stops with a non-zero status at the first failure.
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
source "$repo/scripts/install-deps.sh"
source "$repo/scripts/windows/common.sh"
install_deps
install_windows_deps

"$repo/scripts/windows/build-qt.sh"

export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-$(command -v ccache || true)}
linux_build=$repo/build
if [ ! -f "$linux_build/CMakeCache.txt" ]; then
  cmake -S "$repo" -B "$linux_build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUARN_WERROR=ON
fi
cmake --build "$linux_build" --target quarn-emulator

build=$repo/build-windows
start=$SECONDS
cmake -S "$repo" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64.cmake" \
  -DQUARN_QT_WINDOWS="$qt_windows_dir" \
  -DCMAKE_BUILD_TYPE=Release \
  -DQUARN_WERROR=ON \
  -DQUARN_HEADER_FORWARDERS=ON \
  -DQUARN_LINUX_EMULATOR="$linux_build/emulator/quarn-emulator"
cmake --build "$build" --parallel "$(nproc)"
echo "Windows build: $((SECONDS - start)) s"

# Wine's server for the build's prefix ends with the tests.
trap 'WINEPREFIX=$build/wine wineserver --kill 2>/dev/null || true' EXIT
start=$SECONDS
ctest --test-dir "$build" --parallel 2 --output-on-failure
echo "Windows tests under Wine: $((SECONDS - start)) s"
echo "Installer: $(ls "$build"/quarn-configurator-*-win64.exe) ($(du -h "$build"/quarn-configurator-*-win64.exe | cut -f1))"
echo "Zip:       $(ls "$build"/quarn-configurator-*-win64.zip) ($(du -h "$build"/quarn-configurator-*-win64.zip | cut -f1))"
