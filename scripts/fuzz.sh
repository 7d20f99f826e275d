#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang and runs each for a bounded
# time, starting from its seeds in fuzz/corpus/<target>/.
#
#   scripts/fuzz.sh                  every target, about 20 s each
#   scripts/fuzz.sh --long 600       every target, 600 s each
#   scripts/fuzz.sh decode_block     only the targets named
#
# New inputs that reach new code go to <build dir>/corpus/<target>/, never
# into the seeds; a crash leaves its input in <build dir>/artifacts/<target>/
# and the log in <build dir>/logs/<target>.log. Prints the executions of every
# target ("Done N runs" from libFuzzer) and exits non-zero when any target
# found a crash or a broken property.
set -euo pipefail
cd "$(dirname "$0")/.."
source ./scripts/install-deps.sh
install_deps "${fuzz_packages[@]}"

seconds=20
targets=()
while [ $# -gt 0 ]; do
  case "$1" in
    --long) seconds=${2:?--long needs a number of seconds}; shift 2 ;;
    -h|--help) sed -n '2,14p' "$0"; exit 0 ;;
    *) targets+=("$1"); shift ;;
  esac
done

build_dir=${QUARN_FUZZ_BUILD_DIR:-build-fuzz}
werror=${QUARN_WERROR:-ON}
cmake -S fuzz -B "$build_dir" -DCMAKE_CXX_COMPILER=clang++ -DQUARN_WERROR=$werror >/dev/null
cmake --build "$build_dir" -j "$(nproc)"

if [ ${#targets[@]} -eq 0 ]; then mapfile -t targets < "$build_dir/fuzz-targets.txt"; fi

failed=()
summary=()
for target in "${targets[@]}"; do
  program="$build_dir/fuzz_$target"
  [ -x "$program" ] || { echo "No fuzz target named $target" >&2; exit 2; }
  mkdir -p "$build_dir/corpus/$target" "$build_dir/artifacts/$target" "$build_dir/logs"
  log="$build_dir/logs/$target.log"
  echo "== fuzz $target for ${seconds} s"
  status=0
  "$program" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$build_dir/artifacts/$target/" \
    "$build_dir/corpus/$target" "fuzz/corpus/$target" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^Done \([0-9]*\) runs in \([0-9]*\) second.*/\1 runs in \2 s/p' "$log")
  if [ $status -ne 0 ]; then
    tail -n 40 "$log"
    echo "!! $target failed (exit $status); input kept in $build_dir/artifacts/$target/"
    failed+=("$target")
    summary+=("$target: FAILED")
  else
    summary+=("$target: ${runs:-no run count}")
  fi
done

echo "== fuzz summary (${seconds} s per target)"
printf '  %s\n' "${summary[@]}"
if [ ${#failed[@]} -gt 0 ]; then
  echo "Fuzz targets that failed: ${failed[*]}" >&2
  exit 1
fi
