#!/usr/bin/env bash
# A Release build, as the package is made, compiles and links with the flags
# of dpkg-buildflags (hardening). Configured in a scratch folder, nothing
# compiled: every compile command carries its CPPFLAGS and CXXFLAGS, every
# program's link its LDFLAGS.
#
#   check_build_flags.sh SOURCE_DIR
set -uo pipefail

source_dir=${1:?usage: check_build_flags.sh SOURCE_DIR}
for tool in cmake ninja dpkg-buildflags; do
  command -v "$tool" >/dev/null || { echo "FAIL: missing tool $tool"; exit 1; }
done
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
if ! cmake -S "$source_dir" -B "$scratch" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_EXPORT_COMPILE_COMMANDS=ON \
  >"$scratch/configure.log" 2>&1; then
  cat "$scratch/configure.log"
  echo "FAIL: configuring a Release build"
  exit 1
fi

export DEB_BUILD_MAINT_OPTIONS=${DEB_BUILD_MAINT_OPTIONS:-hardening=+all}
flags_of() { (cd "$source_dir" && dpkg-buildflags --get "$1"); }
failures=0
commands=$(grep '"command"' "$scratch/compile_commands.json")
# One line per program: its LINK_FLAGS, or "-" when it has none.
links=$(awk '/^build .*: CXX_EXECUTABLE_LINKER__/ { if (link) print flags; link = 1; flags = "-"; next }
             link && /^  LINK_FLAGS = / { flags = $0 }
             link && /^$/ { print flags; link = 0 }
             END { if (link) print flags }' "$scratch/build.ninja")
[ -n "$commands" ] && [ -n "$links" ] || { echo "FAIL: no compile or link commands found"; exit 1; }
for flag in $(flags_of CPPFLAGS) $(flags_of CXXFLAGS); do
  without=$(grep -cvF -- " $flag " <<<"$commands")
  [ "$without" -eq 0 ] || { echo "FAIL: $without compile commands without $flag"; failures=$((failures + 1)); }
done
for flag in $(flags_of LDFLAGS); do
  without=$(grep -cvF -- "$flag" <<<"$links")
  [ "$without" -eq 0 ] || { echo "FAIL: $without program links without $flag"; failures=$((failures + 1)); }
done
echo "$(wc -l <<<"$commands") compile commands, $(wc -l <<<"$links") program links checked"
[ $failures -eq 0 ]
