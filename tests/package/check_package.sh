#!/usr/bin/env bash
# Builds the Debian package from a configured and built build folder, unpacks
# it and checks it as a desktop and Debian's tools see it: every file where it
# is looked for, launcher and AppStream metadata valid and consistent with
# the programs and their windows, no lintian error, the installed programs
# answering without a display, and, from a Release build, hardened programs.
#
#   check_package.sh BUILD_DIR VERSION
set -uo pipefail

build_dir=${1:?usage: check_package.sh BUILD_DIR VERSION}
version=${2:?usage: check_package.sh BUILD_DIR VERSION}
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
app_id=it.quelmora.QuarnConfigurator
programs=(quarn-configurator quarn-emulator)
optional_programs=(quarnctl)
icon_sizes=(16 22 24 32 48 64 128 256)

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

missing_tools=()
for tool in cpack dpkg-deb dpkg-shlibdeps lintian desktop-file-validate appstreamcli gzip od readelf xvfb-run xprop xwininfo; do
  command -v "$tool" >/dev/null || missing_tools+=("$tool")
done
if [ ${#missing_tools[@]} -gt 0 ]; then
  echo "FAIL: missing tools: ${missing_tools[*]} (scripts/install-deps.sh installs them)"
  exit 1
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# cpack writes its package and working files into the scratch folder, so the
# build folder keeps only what the build made.
if ! cpack --config "$build_dir/CPackConfig.cmake" -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1; then
  cat "$scratch/cpack.log"
  echo "FAIL: cpack -G DEB"
  exit 1
fi
deb=$scratch/out/quarn-configurator_${version}_$(dpkg --print-architecture).deb
if [ ! -f "$deb" ]; then
  cat "$scratch/cpack.log"
  echo "FAIL: no $(basename "$deb"); cpack made: $(cd "$scratch/out" && ls -- *.deb 2>/dev/null)"
  exit 1
fi
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"
root=$scratch/root
dpkg-deb -x "$deb" "$root"

[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "control Version is $(dpkg-deb -f "$deb" Version), not $version"

# Each file where a desktop, man and udev look for it.
expect_file() { [ -f "$root/$1" ] || fail "missing /$1"; }
for program in "${programs[@]}"; do
  expect_file "usr/bin/$program"
done
for program in "$root"/usr/bin/*; do
  case " ${programs[*]} ${optional_programs[*]} " in
    *" $(basename "$program") "*) ;;
    *) fail "unexpected program /usr/bin/$(basename "$program")" ;;
  esac
  page=usr/share/man/man1/$(basename "$program").1.gz
  if [ -f "$root/$page" ]; then
    gzip -t "$root/$page" || fail "/$page is not a valid gzip file"
  else
    fail "no manual page /$page for /usr/bin/$(basename "$program")"
  fi
done
desktop=usr/share/applications/$app_id.desktop
metainfo=usr/share/metainfo/$app_id.metainfo.xml
expect_file "$desktop"
expect_file "$metainfo"
expect_file usr/share/icons/hicolor/scalable/apps/quarn-configurator.svg
for size in "${icon_sizes[@]}"; do
  png=usr/share/icons/hicolor/${size}x${size}/apps/quarn-configurator.png
  expect_file "$png"
  [ -f "$root/$png" ] || continue
  # The PNG header holds width and height as big-endian numbers at bytes 16 to 23.
  read -r width height < <(od -An -tu1 -j16 -N8 "$root/$png" |
    awk '{ print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4, $5 * 16777216 + $6 * 65536 + $7 * 256 + $8 }')
  [ "$width x $height" = "$size x $size" ] || fail "/$png is $width x $height pixels"
done
rule=""
for candidate in "$root/usr/lib/udev/rules.d/60-quarn-serial.rules" "$root/lib/udev/rules.d/60-quarn-serial.rules"; do
  [ -f "$candidate" ] && rule=$candidate
done
if [ -z "$rule" ]; then
  fail "no udev rule 60-quarn-serial.rules under /usr/lib/udev/rules.d or /lib/udev/rules.d"
elif grep -v '^#' "$rule" | grep 'GROUP=' | grep -vq 'TAG+="uaccess"'; then
  # The user at the seat opens the adapter without joining dialout.
  fail "the udev rule gives a device to dialout but not to the user at the seat (TAG+=\"uaccess\")"
fi
doc=usr/share/doc/quarn-configurator
expect_file $doc/copyright
expect_file $doc/changelog.gz
# The format the manual page points to, and every example file.
expect_file $doc/settings-file.md
for example in "$source_dir"/examples/*.json; do
  expect_file "$doc/examples/$(basename "$example")"
done

# Nothing else: tests, benchmarks, static libraries and headers stay out.
while IFS= read -r file; do
  case $file in
    ./usr/bin/* | ./usr/share/applications/* | ./usr/share/metainfo/* | ./usr/share/icons/hicolor/* | \
      ./usr/share/man/man1/* | ./usr/share/doc/quarn-configurator/* | ./usr/lib/udev/rules.d/* | ./lib/udev/rules.d/*) ;;
    *) fail "unexpected file ${file#.}" ;;
  esac
done < <(cd "$root" && find . -type f)

# Launcher and metadata: valid, and naming what the package holds.
if [ -f "$root/$desktop" ]; then
  desktop-file-validate "$root/$desktop" || fail "desktop-file-validate /$desktop"
  exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$root/$desktop")
  [ -f "$root/usr/bin/$exec_name" ] || fail "the launcher starts '$exec_name', which is not in /usr/bin"
  icon_name=$(sed -n 's/^Icon=//p' "$root/$desktop")
  [ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon_name.svg" ] || fail "the launcher's icon '$icon_name' is not in the package"
  # A dock matches the program's windows to the launcher by the class X11
  # gives them; without a match it shows a second, anonymous icon.
  startup_class=$(sed -n 's/^StartupWMClass=//p' "$root/$desktop")
  window_class=$(XDG_DATA_HOME="$scratch/data" xvfb-run -a "$source_dir/tests/package/window_class.sh" "$root/usr/bin/$exec_name" --demo)
  [ -n "$window_class" ] && [ "$startup_class" = "$window_class" ] ||
    fail "the launcher's StartupWMClass is '$startup_class', the window's class '$window_class'"
fi
if [ -f "$root/$metainfo" ]; then
  appstreamcli validate --no-net "$root/$metainfo" || fail "appstreamcli validate --no-net /$metainfo"
  grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$root/$metainfo" ||
    fail "the metadata does not launch $app_id.desktop"
  grep -q "<release version=\"$version\"" "$root/$metainfo" || fail "the metadata lists no release $version"
  # Software centres find a package by the programs it provides.
  for program in "$root"/usr/bin/*; do
    grep -q "<binary>$(basename "$program")</binary>" "$root/$metainfo" ||
      fail "the metadata does not provide the program $(basename "$program")"
  done
fi

# lintian: errors fail the check, warnings are shown.
lintian "$deb" >"$scratch/lintian.log" 2>&1
grep -v '^running with root privileges' "$scratch/lintian.log"
grep -q '^E: ' "$scratch/lintian.log" && fail "lintian reports errors"
echo "lintian: $(grep -c '^E: ' "$scratch/lintian.log") errors, $(grep -c '^W: ' "$scratch/lintian.log") warnings"

# The installed programs, with neither an X nor a Wayland display.
headless() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 10 "$@"; }
answer=$(headless "$root/usr/bin/quarn-configurator" --version 2>&1)
status=$?
[ $status -eq 0 ] && [ "$answer" = "quarn-configurator $version" ] ||
  fail "quarn-configurator --version: status $status, '$answer'"
if [ -x "$root/usr/bin/quarnctl" ]; then
  answer=$(headless "$root/usr/bin/quarnctl" --version 2>&1)
  status=$?
  [ $status -eq 0 ] && [[ $answer == *"$version"* ]] || fail "quarnctl --version: status $status, '$answer'"
fi
headless "$root/usr/bin/quarn-emulator" --help >/dev/null 2>&1 || fail "quarn-emulator --help: status $?"

# A Release build compiles and links with dpkg-buildflags (cmake/QuarnDebianBuildFlags.cmake):
# read-only relocations bound at load, stack protector, fortified functions.
if grep -q '^CMAKE_BUILD_TYPE:STRING=Release$' "$build_dir/CMakeCache.txt"; then
  for program in "$root"/usr/bin/*; do
    name=$(basename "$program")
    readelf -lW "$program" | grep -q GNU_RELRO || fail "$name: no read-only relocations (relro)"
    readelf -dW "$program" | grep -q 'BIND_NOW\|FLAGS.*NOW' || fail "$name: relocations not bound at load (now)"
    readelf -sW --dyn-syms "$program" | grep -q '__stack_chk_fail' || fail "$name: no stack protector"
    readelf -sW --dyn-syms "$program" | grep -q '__[a-z_]*_chk@' || fail "$name: no fortified functions"
  done
  echo "hardening: checked in $(ls "$root"/usr/bin | wc -l) programs"
fi

if [ $failures -gt 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "package checks passed"
