# Shared by scripts/run and scripts/test: install the Debian packages the
# project needs when any is missing, then configure and build.
# Sourced, not run; expects ROOT to be set.

ZEMBRA_PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-serialport-dev
  libgtest-dev libgmock-dev libbenchmark-dev fonts-noto-cjk xvfb x11-utils xauth libgl-dev
  # Qt's own texts in the program's language (standard buttons, file dialogs)
  qt6-translations-l10n
  # packaging and its checks: the Debian packages, desktop metadata, manual pages
  dpkg-dev binutils file desktop-file-utils appstream groff-base lintian)

zembra_missing_packages() {
  local missing=()
  for p in "${ZEMBRA_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  echo "${missing[@]}"
}

zembra_install_deps() {
  local missing
  missing=$(zembra_missing_packages)
  [ -z "$missing" ] && return 0
  echo "Installing missing Debian packages: $missing"
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then sudo="sudo"; else
      echo "error: these Debian packages are missing and this user cannot install them: $missing" >&2
      echo "       install them as root (apt-get install $missing) and run this script again." >&2
      return 1
    fi
  fi
  # shellcheck disable=SC2086
  if ! { $sudo apt-get update -qq && DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $missing; } >/tmp/zembra-apt.log 2>&1; then
    echo "error: could not install the Debian packages: $missing" >&2
    echo "       apt-get said (last lines of /tmp/zembra-apt.log):" >&2
    tail -n 5 /tmp/zembra-apt.log >&2
    return 1
  fi
}

zembra_build() {
  local build_dir="$1"; shift
  if [ ! -f "$build_dir/build.ninja" ]; then
    cmake -S "$ROOT" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null || return 1
  fi
  cmake --build "$build_dir" -j"$(nproc)"
}
