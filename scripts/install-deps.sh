# Sourced by run.sh, test.sh and scripts/fuzz.sh: installs the Debian packages
# the project needs when any is missing: toolchain, Qt, the fonts the windows
# use, the icon renderer of the build and the tools that make and check the
# Debian package (Xvfb and the X tools look at its window), plus the packages
# named as arguments (such as fuzz_packages).

# clang with libFuzzer and its sanitizer runtimes, for the targets in fuzz/.
fuzz_packages=(clang libclang-rt-14-dev)

install_deps() {
  local packages=(cmake g++ make qt6-base-dev qt6-serialport-dev fonts-liberation fonts-dejavu-core qt6-translations-l10n
    librsvg2-bin dpkg-dev lintian desktop-file-utils appstream xvfb x11-utils ninja-build "$@")
  local missing=()
  local p
  for p in "${packages[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo=sudo; fi
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}
