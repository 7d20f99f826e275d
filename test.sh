#!/usr/bin/env bash
# Builds the configurator, the emulator and every test, then runs the tests
# headless; then the same build and tests under AddressSanitizer and
# UndefinedBehaviorSanitizer; then every fuzz target for about 20 s.
# Installs the Debian packages it needs when they are missing. Stops with a
# non-zero status at the first stage that fails.
set -euo pipefail
cd "$(dirname "$0")"
source ./scripts/install-deps.sh
install_deps "${fuzz_packages[@]}"

# Warnings are errors in every build here, a developer's as CI's; set
# QUARN_WERROR=OFF to see them all at once while working.
werror=${QUARN_WERROR:-ON}
jobs=$(nproc)
stage_times=()

# build_and_test <build dir> <extra cmake options>...
build_and_test() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Debug -DQUARN_WERROR=$werror "$@"
  cmake --build "$dir" -j "$jobs"
  QT_QPA_PLATFORM=offscreen ctest --test-dir "$dir" --output-on-failure
}

# stage <name> <command>...: runs the command and notes how long it took.
stage() {
  local name=$1 start=$SECONDS
  shift
  echo "=== $name"
  "$@"
  stage_times+=("$name: $((SECONDS - start)) s")
}

stage "build and tests" build_and_test "${QUARN_BUILD_DIR:-build}"
stage "sanitizer build and tests" build_and_test "${QUARN_SANITIZE_BUILD_DIR:-build-asan}" -DQUARN_SANITIZE=ON
stage "fuzz targets" ./scripts/fuzz.sh

echo "=== stage times"
printf '  %s\n' "${stage_times[@]}"
