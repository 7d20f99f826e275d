#!/usr/bin/env bash
# Builds the configurator and starts it in demo mode: an emulated transmitter
# (New, UHF factory set, line paced at 2400 baud) answers on every "Com" port.
set -euo pipefail
cd "$(dirname "$0")"
source ./scripts/install-deps.sh
install_deps

build_dir=${QUARN_BUILD_DIR:-build-run}
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build_dir" -j "$(nproc)" --target quarn-configurator
exec "$build_dir/app/quarn-configurator" --demo "$@"
