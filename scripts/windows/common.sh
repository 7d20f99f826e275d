# Sourced by the scripts of scripts/windows: where Qt for Windows lives and
# the Debian packages the cross build, its tests and the installer need.

qt_windows_dir=${QUARN_QT_WINDOWS:-${XDG_CACHE_HOME:-$HOME/.cache}/quarn/qt-6.4.2-mingw64}
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo=sudo; fi

# True when a finished Qt for Windows build is in the cache.
qt_windows_ready() {
  [ -f "$qt_windows_dir/.quarn-complete" ]
}

install_windows_deps() {
  local packages=(cmake ninja-build dpkg-dev qt6-base-dev qt6-base-dev-tools qt6-translations-l10n
    g++-mingw-w64-x86-64-posix wine wine64 nsis zip librsvg2-bin icoutils xvfb)
  local missing=() p
  for p in "${packages[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}
