#!/usr/bin/env bash
# Makes the Windows installer and the portable zip from a built Windows build
# folder (left there: quarn-configurator-VERSION-win64.exe and .zip) and
# checks them as a technician's PC would see them, under Wine in a fresh
# prefix: a silent install per machine into Program Files with its Start menu
# entry and its Apps & Features entry, the installed programs answering with
# only their own folder to find DLLs in, quarnctl reading quarn-emulator
# through a COM port, and a silent uninstall that leaves nothing behind. The
# zip's programs must run from wherever it is unpacked.
#
#   check_installer.sh BUILD_DIR VERSION LINUX_EMULATOR
set -uo pipefail

build_dir=${1:?usage: check_installer.sh BUILD_DIR VERSION LINUX_EMULATOR}
version=${2:?usage: check_installer.sh BUILD_DIR VERSION LINUX_EMULATOR}
emulator=${3:?usage: check_installer.sh BUILD_DIR VERSION LINUX_EMULATOR}
scripts=$(cd "$(dirname "$0")/../../scripts/windows" && pwd)
source "$scripts/common.sh"

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

package=quarn-configurator-$version-win64
scratch=$(mktemp -d)
export WINEPREFIX=$scratch/prefix WINEDEBUG=-all
cleanup() {
  wineserver --kill 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT

for generator in NSIS ZIP; do
  if ! (cd "$build_dir" && cpack -G "$generator" >"$scratch/cpack-$generator.log" 2>&1); then
    cat "$scratch/cpack-$generator.log"
    echo "FAIL: cpack -G $generator"
    exit 1
  fi
done
installer=$build_dir/$package.exe
zip=$build_dir/$package.zip
for made in "$installer" "$zip"; do
  [ -f "$made" ] || { echo "FAIL: no $made"; exit 1; }
  echo "made: $(basename "$made"), $(stat -c %s "$made") bytes"
done

ensure_wine_prefix "$WINEPREFIX"
drive_c=$WINEPREFIX/drive_c
install_dir="$drive_c/Program Files/Quelmora/Configuratore Per Quarn"
start_menu="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Configuratore Per Quarn"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Configuratore Per Quarn'

# /S: silent, as a software deployment tool runs it. Wine's server ends when
# the installer and everything it started have.
wine "$installer" /S
wineserver --wait
for file in quarn-configurator.exe quarnctl.exe Uninstall.exe qt.conf LICENSE.txt \
            Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll platforms/qwindows.dll styles/qwindowsvistastyle.dll \
            translations/qtbase_it.qm libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
  [ -f "$install_dir/$file" ] || fail "not installed: Program Files/Quelmora/Configuratore Per Quarn/$file"
done
# Every DLL an installed program or plugin imports is installed beside the
# programs or is part of Windows: the installed list of DLLs misses none.
# (Wine's system32 stands for Windows' own.)
system32=$WINEPREFIX/drive_c/windows/system32
while IFS= read -r -d '' binary; do
  for dll in $(x86_64-w64-mingw32-objdump -p "$binary" | sed -n 's/^\tDLL Name: //p'); do
    case "$dll" in api-ms-win-* | ext-ms-win-*) continue ;; esac  # API sets, served by Windows' loader
    [ -n "$(find "$install_dir" "$system32" -maxdepth 1 -iname "$dll" -print -quit)" ] ||
      fail "${binary#"$install_dir"/} imports $dll, which is neither installed nor part of Windows"
  done
done < <(find "$install_dir" \( -iname '*.exe' -o -iname '*.dll' \) -print0)
# Tests, the emulator and Qt's other modules stay out.
for unwanted in "$install_dir"/test_*.exe "$install_dir"/Qt6Test.dll "$install_dir"/quarn-emulator.exe; do
  [ -e "$unwanted" ] && fail "installed, but not for a technician: $(basename "$unwanted")"
done
[ -f "$start_menu/Configuratore Per Quarn.lnk" ] || fail "no Start menu entry \"Configuratore Per Quarn\""
registered=$(wine reg query "$uninstall_key" 2>/dev/null | tr -d '\r')
for value in "DisplayName    REG_SZ    Configuratore Per Quarn" "DisplayVersion    REG_SZ    $version" \
             "Publisher    REG_SZ    Quelmora Elettronica S.r.l." "UninstallString    REG_SZ"; do
  grep -qF "$value" <<<"$registered" || fail "Apps & Features entry lacks \"$value\": $registered"
done

# The installed programs with nothing but Windows' own folders and theirs
# on the path: every DLL they need came with them.
run_installed() {
  env -u WINEPATH wine "$install_dir/$1" "${@:2}" 2>&1 | tr -d '\r'
}
for program in quarn-configurator quarnctl; do
  answer=$(run_installed "$program.exe" --version)
  [ "$answer" = "$program $version" ] || fail "installed $program.exe --version said: $answer"
done
# The window's own Italian texts for Qt's dialogs: Qt finds them through qt.conf.
grep -q "Prefix = \." "$install_dir/qt.conf" || fail "qt.conf does not make the install folder Qt's prefix"

# The installed quarnctl reads the emulated transmitter through COM.
read_out=$("$scripts/with-emulator.sh" "$WINEPREFIX" "$emulator" --no-pacing -- \
           env -u WINEPATH wine "$install_dir/quarnctl.exe" read --port "$wine_emulator_com" 2>&1 | tr -d '\r')
grep -q "460" <<<"$read_out" || fail "installed quarnctl.exe read did not show the UHF set: $read_out"

wine "$install_dir/Uninstall.exe" /S
wineserver --wait
[ -e "$install_dir" ] && fail "the install folder is still there after uninstalling: $(ls -R "$install_dir" | head)"
[ -e "$start_menu" ] && fail "the Start menu entry is still there after uninstalling"
wine reg query "$uninstall_key" >/dev/null 2>&1 && fail "Apps & Features still lists the program after uninstalling"

# The zip: unpacked anywhere (here a folder with a space and an accent), its
# programs run as they are.
unpacked="$drive_c/users/Tecnico è/Desktop"
mkdir -p "$unpacked"
(cd "$unpacked" && unzip -q "$zip") || fail "the zip does not unpack"
for program in quarn-configurator quarnctl; do
  answer=$(env -u WINEPATH wine "$unpacked/$package/$program.exe" --version 2>&1 | tr -d '\r')
  [ "$answer" = "$program $version" ] || fail "$program.exe from the zip said: $answer"
done

if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "installer and zip: all checks passed"
