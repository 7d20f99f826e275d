#!/usr/bin/env bash
# A Release build, as the package is made, leaves the programs' test seams
# out: configured in a scratch folder, only the file that holds quarnctl's
# compiled, its object names no QUARNCTL_ variable.
#
#   check_release_without_test_seams.sh SOURCE_DIR
set -uo pipefail

source_dir=${1:?usage: check_release_without_test_seams.sh SOURCE_DIR}
for tool in cmake ninja strings; do
  command -v "$tool" >/dev/null || { echo "FAIL: missing tool $tool"; exit 1; }
done
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
object=cli/CMakeFiles/quarn_cli.dir/device_session.cpp.o
if ! { cmake -S "$source_dir" -B "$scratch" -G Ninja -DCMAKE_BUILD_TYPE=Release &&
       cmake --build "$scratch" --target "$object"; } >"$scratch/build.log" 2>&1; then
  cat "$scratch/build.log"
  echo "FAIL: building $object in a Release build"
  exit 1
fi
seams=$(strings "$scratch/$object" | grep QUARNCTL_ | tr '\n' ' ')
[ -z "$seams" ] || { echo "FAIL: a Release quarnctl reads $seams"; exit 1; }
echo "no test seam in a Release $object"
