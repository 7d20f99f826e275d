#!/usr/bin/env bash
# Builds the configurator, the emulator and every test, then runs the tests headless.
# Installs the Debian packages it needs when they are missing.
set -euo pipefail
cd "$(dirname "$0")"
source ./scripts/install-deps.sh
install_deps

build_dir=${QUARN_BUILD_DIR:-build}
werror=OFF
if [ -n "${CI:-}" ]; then werror=ON; fi
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Debug -DQUARN_WERROR=$werror
cmake --build "$build_dir" -j "$(nproc)"
QT_QPA_PLATFORM=offscreen ctest --test-dir "$build_dir" --output-on-failure
