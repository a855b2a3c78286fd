#!/usr/bin/env bash
# Installs what is missing, and only that: Debian packages, and the browser
# test's npm package (locked in tests/web). Silent when all is there.
#   setup.sh        everything the build and every test need
#   setup.sh game   only what building and playing the game needs
#   setup.sh package  the game's, and what scripts/check_package.sh needs
#   setup.sh windows  the game's, the Windows cross compilers, Wine, the
#                     installer maker, and apt's source entries (deb-src)
#                     that scripts/windows_libs.sh fetches the libraries with
set -euo pipefail
cd "$(dirname "$0")/.."

profile="${1:-all}"
case "$profile" in
  all|game|package|windows) ;;
  *) echo "setup.sh: unknown profile \"$profile\" (all, game, package or windows)" >&2
     exit 2 ;;
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
    # The desktop tests: a virtual X server, a window manager, a player's
    # hands, screenshots; the sound captures are measured with sox.
    python3 xvfb xauth openbox xdotool x11-utils x11-apps sox
    # The fuzz targets (libFuzzer) and the sanitizer run of the tests.
    clang libclang-rt-14-dev
  )
  # Any node and npm will do (a machine may have newer ones than Debian's).
  command -v node >/dev/null || packages+=(nodejs)
  command -v npm >/dev/null || packages+=(npm)
elif [[ $profile == windows ]]; then
  packages+=(
    # The cross compilers (the posix thread model, for std::thread and
    # std::mutex), and dpkg-source to unpack the libraries' Debian sources.
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
    binutils-mingw-w64-x86-64 dpkg-dev
    # The Windows program's tests: Wine, on a virtual display with a window
    # manager, and a player's hands there.
    wine64 xvfb xauth openbox xdotool x11-utils x11-apps python3
    # The packages: the installer and the portable zip (unpacked by a test).
    nsis zip unzip
  )
elif [[ $profile == package ]]; then
  # A fresh Debian to install into, and a virtual display to play it on.
  packages+=(debootstrap xvfb xauth xdotool lintian)
elif [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  # No display: the game command starts the game on a virtual one.
  packages+=(xvfb xauth)
fi

if [[ $(id -u) -ne 0 ]]; then
  SUDO=sudo
else
  SUDO=
fi
update=0

# The Windows libraries are built from Debian's own sources, which apt
# fetches only with a deb-src entry for this machine's release. One is
# added beside the machine's own (a copy of its deb entries) when there is
# none; the machine's files are left as they are.
if [[ $profile == windows ]]; then
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  # apt's own reading of every sources file, whatever its format.
  targets=$(apt-get indextargets --format '$(TARGET_OF) $(RELEASE) $(SOURCESENTRY)')
  if ! awk -v c="$codename" '$1 == "deb-src" && ($2 == c || index($2, c "-") == 1) \
      { found = 1 } END { exit !found }' <<<"$targets"; then
    # The entries (file:line, or file:stanza for deb822 files) that name
    # this release.
    entries=$(awk -v c="$codename" '$1 == "deb" && ($2 == c || index($2, c "-") == 1) \
      { print $3 }' <<<"$targets" | sort -u)
    if [[ -z $entries ]]; then
      echo "setup.sh: apt has no entry for this machine's release" \
           "(\"$codename\") to add its sources (deb-src) beside" >&2
      exit 1
    fi
    list=/etc/apt/sources.list.d/tumblesquash-src.list
    deb822=/etc/apt/sources.list.d/tumblesquash-src.sources
    one_line="" stanzas=""
    for file in $(sed 's/:[0-9]*$//' <<<"$entries" | sort -u); do
      if [[ $file == *.sources ]]; then
        # Its stanzas for this release, Types made deb-src (their URIs,
        # suites and keys kept).
        stanzas+=$(awk -v c="$codename" 'BEGIN { RS = ""; FS = "\n" }
          $0 ~ "(^|\n)Suites:[^\n]*[[:space:]]" c "([[:space:]-]|$)" &&
          $0 ~ "(^|\n)Types:[^\n]*[[:space:]]deb([[:space:]]|$)" &&
          $0 !~ "(^|\n)Enabled:[[:space:]]*no" {
            for (i = 1; i <= NF; ++i)
              print ($i ~ /^Types:/ ? "Types: deb-src" : $i)
            print ""
          }' "$file")
        stanzas+=$'\n\n'
      else
        for line in $(sed -n "s|^$file:||p" <<<"$entries"); do
          one_line+=$(sed -n "${line}s/^[[:space:]]*deb[[:space:]]/deb-src /p" "$file")
          one_line+=$'\n'
        done
      fi
    done
    echo "Adding apt's source entries (deb-src) for $codename:" \
         "${stanzas:+$deb822 }${one_line:+$list}" >&2
    header="# Added by TumbleSquash's scripts/setup.sh windows: the Windows
# libraries are built from these sources."
    if [[ -n $stanzas ]]; then
      printf '%s\n\n%s' "$header" "$stanzas" | $SUDO tee "$deb822" >/dev/null
    fi
    if [[ -n $one_line ]]; then
      printf '%s\n%s' "$header" "$one_line" | $SUDO tee "$list" >/dev/null
    fi
    update=1
  fi
fi

missing=()
# One query for all (dpkg-query fails when it knows a name not at all).
installed=$({ dpkg-query -W -f='${Package} ${Status}\n' "${packages[@]}" 2>/dev/null ||
  true; } | awk '/install ok installed$/ {print $1}')
for p in "${packages[@]}"; do
  grep -qx -- "$p" <<<"$installed" || missing+=("$p")
done

export DEBIAN_FRONTEND=noninteractive
if [[ ${#missing[@]} -gt 0 || $update == 1 ]]; then
  $SUDO apt-get update -qq
fi
if [[ ${#missing[@]} -gt 0 ]]; then
  echo "Installing: ${missing[*]}" >&2
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The browser test's driver, at the version package-lock.json names.
web=tests/web
if [[ $profile == all ]] && [[ ! -f $web/node_modules/.package-lock.json ||
      $web/package-lock.json -nt $web/node_modules/.package-lock.json ]]; then
  echo "Installing the browser test's npm packages into $web" >&2
  (cd $web && npm ci --no-audit --no-fund --loglevel=error >/dev/null)
fi
