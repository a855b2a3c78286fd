#!/usr/bin/env bash
# Installs the Debian packages the build needs, only when one is missing.
# Silent when everything is already there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libsdl2-dev libfreetype-dev fonts-dejavu-core fonts-dejavu-extra libpng-dev zlib1g-dev
  libgtest-dev googletest libbenchmark-dev
)
# The game command also wants a display server when none is running.
if [[ "${TS_WANT_XVFB:-0}" == 1 ]]; then
  packages+=(xvfb xauth)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

if [[ $(id -u) -ne 0 ]]; then
  SUDO=sudo
else
  SUDO=
fi
echo "Installing: ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
