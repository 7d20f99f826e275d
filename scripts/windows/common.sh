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
  # Qt's host tools and Debian's source of Qt; the cross compiler; Wine, the
  # installer maker and the zip tools; the icon tools; Qt's Italian texts;
  # a display, a window manager and a screenshot tool for the pictures.
  local packages=(cmake ninja-build dpkg-dev qt6-base-dev qt6-base-dev-tools qt6-translations-l10n
    g++-mingw-w64-x86-64-posix wine wine64 nsis zip unzip librsvg2-bin icoutils
    fonts-liberation xvfb openbox imagemagick xdotool locales)
  local missing=() p
  for p in "${packages[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
  fi
  # Wine takes Windows' language and the encoding of Linux file names from
  # the locale: the Windows programs run as on an Italian Windows, which
  # needs the Italian locale (without it, accented file names are mangled).
  if ! locale -a | grep -qx 'it_IT.utf8'; then
    echo "Making the locale it_IT.UTF-8"
    $sudo localedef -i it_IT -f UTF-8 it_IT.UTF-8
  fi
}

# The COM ports of a test Wine prefix: one leads to where the end-to-end
# tests serve quarn-emulator (its --link path), one to a path where nothing
# ever is, and one is not mapped at all. Programs run by wine-run.sh find
# their numbers in the environment.
wine_emulator_com=5
wine_nothing_com=6
wine_unmapped_com=9
export QUARN_WINE_EMULATOR_COM=$wine_emulator_com QUARN_WINE_NOTHING_COM=$wine_nothing_com \
  QUARN_WINE_UNMAPPED_COM=$wine_unmapped_com
wine_emulator_link() { echo "$1/quarn-emulator-com$wine_emulator_com"; }

# Makes the Wine prefix $1 on first use (never ~/.wine): Wine's own set-up,
# then the COM ports above. Tests running side by side wait for each other.
ensure_wine_prefix() {
  local prefix=$1
  [ -f "$prefix/.quarn-ready" ] && return 0
  mkdir -p "$(dirname "$prefix")"
  (
    flock 9
    [ -f "$prefix/.quarn-ready" ] && exit 0
    rm -rf "$prefix"
    export WINEPREFIX=$prefix WINEDEBUG=-all
    wineboot --init </dev/null >/dev/null 2>&1 9>&-
    wine reg add 'HKLM\Software\Wine\Ports' /v "COM$wine_emulator_com" /d "$(wine_emulator_link "$prefix")" /f >/dev/null
    wine reg add 'HKLM\Software\Wine\Ports' /v "COM$wine_nothing_com" /d "$prefix/quarn-nothing-here" /f >/dev/null
    # Windows has Arial, the window's face; Wine draws it with its metric
    # twin from Debian's fonts-liberation instead of some other face.
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /d "Liberation Sans" /f >/dev/null
    # A crash ends the program with a backtrace on standard error, rather
    # than waiting in a dialog nobody will close.
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null
    # The server reads the mapping when it starts: the next program starts one afresh.
    wineserver --kill
    wineserver --wait
    touch "$prefix/.quarn-ready"
  ) 9>"$prefix.lock"
}

# Starts the Wine server of prefix $1 and Wine's own system processes, away
# from the caller's output, unless they run already. A program would start
# them itself, and they would keep its output open after it ended (CTest
# waits for that). The server then stays a minute after the last program,
# so a run of tests shares one.
ensure_wine_server() {
  (
    flock 9
    export WINEPREFIX=$1 WINEDEBUG=-all
    # (Nor may they keep the lock: 9>&-.)
    if wineserver --persistent=60 </dev/null >/dev/null 2>&1 9>&-; then
      wine cmd /c exit </dev/null >/dev/null 2>&1 9>&-
    fi
  ) 9>"$1.lock"
}
