#!/usr/bin/env bash
# Builds the Debian package from a configured and built build folder, unpacks
# it and checks it as a desktop and Debian's tools see it: every file where it
# is looked for, launcher and AppStream metadata valid and consistent, no
# lintian error, and the installed programs answering without a display.
#
#   check_package.sh BUILD_DIR VERSION
set -uo pipefail

build_dir=${1:?usage: check_package.sh BUILD_DIR VERSION}
version=${2:?usage: check_package.sh BUILD_DIR VERSION}
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
for tool in cpack dpkg-deb dpkg-shlibdeps lintian desktop-file-validate appstreamcli gzip od; do
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
if [ -f "$root/usr/lib/udev/rules.d/60-quarn-serial.rules" ] || [ -f "$root/lib/udev/rules.d/60-quarn-serial.rules" ]; then
  :
else
  fail "no udev rule 60-quarn-serial.rules under /usr/lib/udev/rules.d or /lib/udev/rules.d"
fi
expect_file usr/share/doc/quarn-configurator/copyright
expect_file usr/share/doc/quarn-configurator/changelog.gz

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
fi
if [ -f "$root/$metainfo" ]; then
  appstreamcli validate --no-net "$root/$metainfo" || fail "appstreamcli validate --no-net /$metainfo"
  grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$root/$metainfo" ||
    fail "the metadata does not launch $app_id.desktop"
  grep -q "<release version=\"$version\"" "$root/$metainfo" || fail "the metadata lists no release $version"
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

if [ $failures -gt 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "package checks passed"
