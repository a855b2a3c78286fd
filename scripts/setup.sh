#!/usr/bin/env bash
# Installs what is missing, and only that: Debian packages, and the browser
# test's npm package (locked in tests/web). Silent when all is there.
#   setup.sh        everything the build and every test need
#   setup.sh game   only what building and playing the game needs
#   setup.sh package  the game's, and what scripts/check_package.sh needs
set -euo pipefail
cd "$(dirname "$0")/.."

profile="${1:-all}"
case "$profile" in
  all|game|package) ;;
  *) echo "setup.sh: unknown profile \"$profile\" (all, game or package)" >&2; exit 2 ;;
esac

packages=(
  build-essential cmake ninja-build pkg-config
  libsdl2-dev libfreetype-dev fonts-dejavu-core fonts-dejavu-extra libpng-dev zlib1g-dev
)
if [[ $profile == all ]]; then
  packages+=(
    libgtest-dev googletest libbenchmark-dev
    # The benchmarks' peer for the trace's CRC-32.
    libdeflate-dev
    # The web version: the compiler, and a browser for its test.
    emscripten chromium
    # The install tests: the desktop's validators.
    desktop-file-utils appstream
    # The desktop tests: a virtual X server, a player's hands, screenshots.
    python3 xvfb xauth xdotool x11-utils x11-apps
    # The fuzz targets (libFuzzer) and the sanitizer run of the tests.
    clang libclang-rt-14-dev
  )
  # Any node and npm will do (a machine may have newer ones than Debian's).
  command -v node >/dev/null || packages+=(nodejs)
  command -v npm >/dev/null || packages+=(npm)
elif [[ $profile == package ]]; then
  # A fresh Debian to install into, and a virtual display to play it on.
  packages+=(debootstrap xvfb xauth xdotool)
elif [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  # No display: the game command starts the game on a virtual one.
  packages+=(xvfb xauth)
fi

missing=()
# One query for all (dpkg-query fails when it knows a name not at all).
installed=$({ dpkg-query -W -f='${Package} ${Status}\n' "${packages[@]}" 2>/dev/null ||
  true; } | awk '/install ok installed$/ {print $1}')
for p in "${packages[@]}"; do
  grep -qx -- "$p" <<<"$installed" || missing+=("$p")
done

if [[ ${#missing[@]} -gt 0 ]]; then
  if [[ $(id -u) -ne 0 ]]; then
    SUDO=sudo
  else
    SUDO=
  fi
  echo "Installing: ${missing[*]}" >&2
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The browser test's driver, at the version package-lock.json names.
web=tests/web
if [[ $profile == all ]] && [[ ! -f $web/node_modules/.package-lock.json ||
      $web/package-lock.json -nt $web/node_modules/.package-lock.json ]]; then
  echo "Installing the browser test's npm packages into $web" >&2
  (cd $web && npm ci --no-audit --no-fund --loglevel=error >/dev/null)
fi
