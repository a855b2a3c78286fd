#!/usr/bin/env bash
# Builds the Windows version into build-win/, cross-compiled here with
# mingw-w64, installing what is missing first:
#   1. the cross compilers, Wine and the installer maker (setup.sh windows);
#   2. SDL2, libpng and zlib for Windows from Debian's sources, once, into a
#      cache outside the clone (scripts/windows_libs.sh; TS_WINDOWS_CACHE);
#   3. the native build in build/, whose tools make the recordings, the
#      pictures and the icon (made with scripts/build.sh --game when missing);
#   4. build-win/: the game (run/tumblesquash.exe, its pictures beside it),
#      the portable zip and the installer, both named with the version.
# With --test, then runs the Windows tests under Wine (tests/windows/).
# Environment: TS_WINDOWS_JOBS (parallel jobs, default 2), TS_WINDOWS_CACHE.
set -euo pipefail
cd "$(dirname "$0")/.."

test=0
case "${1:-}" in
  '') ;;
  --test) test=1 ;;
  -h|--help)
    echo "usage: bash scripts/windows.sh [--test]"
    sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//'
    exit 0 ;;
  *) echo "windows.sh: unknown argument \"$1\" (try --help)" >&2; exit 2 ;;
esac
jobs=${TS_WINDOWS_JOBS:-2}
started=$SECONDS

bash scripts/setup.sh windows
bash scripts/windows_libs.sh

# The recordings, the pictures and the icon come from the native build's
# tools.
if [[ ! -f build/build.ninja ]]; then
  bash scripts/build.sh --game
fi
cmake --build build --target ts_waves ts_assets -- -j"$jobs"

# Configured afresh when the libraries in the cache have changed since.
cache=${TS_WINDOWS_CACHE:-/var/cache/tumblesquash/windows}
if [[ -f build-win/CMakeCache.txt && $cache/prefixes.cmake -nt build-win/CMakeCache.txt ]]; then
  rm -f build-win/CMakeCache.txt
fi
if [[ ! -f build-win/build.ninja || ! -f build-win/CMakeCache.txt ]]; then
  cmake -S . -B build-win -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DTS_HOST_BUILD="$PWD/build" \
    >/dev/null
fi
cmake --build build-win -- -j"$jobs"
cmake --build build-win --target windows_zip windows_installer -- -j"$jobs"

version=$(sed -n 's/^#define TS_VERSION "\(.*\)"$/\1/p' \
  build-win/gen/include/tumblesquash_config.h)
size() { du -k "$1" | cut -f1; }
zip=build-win/TumbleSquash-$version-windows-x64.zip
installer=build-win/TumbleSquash-$version-setup.exe
echo "The Windows version is built ($((SECONDS - started)) s):"
echo "  build-win/run/tumblesquash.exe (with its pictures beside it)"
echo "  $zip ($(size "$zip") KiB)"
echo "  $installer ($(size "$installer") KiB)"

if [[ $test == 1 ]]; then
  bash tests/windows/run_tests.sh build-win
fi
