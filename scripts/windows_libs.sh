#!/usr/bin/env bash
# Builds the libraries the Windows version links statically (zlib, libpng,
# SDL2) from Debian's own sources, once, into a cache outside the clone:
#   $TS_WINDOWS_CACHE (default /var/cache/tumblesquash/windows)/<source>-<version>/
# Later runs, and other clones on this machine, reuse what is there. Each
# library is built in a private folder and renamed into place only when it
# is complete, so a failed or interrupted build is never taken for a
# finished one. The folders in use are listed in prefixes.cmake there, which
# cmake/mingw-w64.cmake reads.
# Needs scripts/setup.sh windows (the cross compilers, and apt's source
# entries). Environment: TS_WINDOWS_CACHE, TS_WINDOWS_JOBS (default 2).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

case "${1:-}" in
  '') ;;
  -h|--help) sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
  *) echo "windows_libs.sh: unknown argument \"$1\" (try --help)" >&2; exit 2 ;;
esac

cache=${TS_WINDOWS_CACHE:-/var/cache/tumblesquash/windows}
jobs=${TS_WINDOWS_JOBS:-2}
# Raised when the way the libraries are built changes: a cached folder made
# another way is built again.
recipe=1
toolchain=$root/cmake/mingw-w64.cmake

# Interrupted, the EXIT trap below still removes the unfinished folder.
trap 'exit 130' INT
trap 'exit 143' TERM
die() { echo "windows_libs.sh: $*" >&2; exit 1; }

command -v x86_64-w64-mingw32-g++-posix >/dev/null ||
  die "the mingw-w64 cross compilers are missing; run scripts/setup.sh windows"
mkdir -p "$cache" 2>/dev/null && [[ -w $cache ]] ||
  die "cannot write the cache folder $cache (set TS_WINDOWS_CACHE to another)"
cache=$(cd "$cache" && pwd -P)

# One build at a time: a second run waits, then finds the libraries built.
exec 9>"$cache/.lock"
if ! flock -n 9; then
  echo "waiting for another build of the Windows libraries ($cache/.lock)" >&2
  flock 9
fi
# What an interrupted run left behind (only the holder of the lock builds).
rm -rf "$cache"/.build-* "$cache"/.prefixes-*

# Versions of a source package apt knows, newest first.
versions() {
  local list=() v i j
  mapfile -t list < <(apt-cache showsrc --only-source "$1" 2>/dev/null |
    sed -n 's/^Version: //p' | sort -u)
  # Debian's own order (dpkg --compare-versions), not sort's.
  for ((i = 1; i < ${#list[@]}; ++i)); do
    v=${list[i]}
    for ((j = i - 1; j >= 0; --j)); do
      dpkg --compare-versions "${list[j]}" lt "$v" || break
      list[j + 1]=${list[j]}
    done
    list[j + 1]=$v
  done
  printf '%s\n' "${list[@]}"
}

seconds() {
  printf '%dm%02ds' $(($1 / 60)) $(($1 % 60))
}

# build_library SOURCE NAME CONFIGURE-OPTIONS...: sets $prefix to the cached
# folder of the newest version whose sources are cached or can be fetched.
build_library() {
  local source=$1 name=$2
  shift 2
  local candidates=() version key upstream work started
  mapfile -t candidates < <(versions "$source")
  [[ ${#candidates[@]} -gt 0 && -n ${candidates[0]} ]] ||
    die "apt knows no sources of $source; run scripts/setup.sh windows"
  # What the folder's contents depend on besides the version: the recipe and
  # the libraries it was built against.
  local stamp
  stamp=$(printf 'recipe %s\nbuilt against %s' "$recipe" "${deps:-nothing}")
  for version in "${candidates[@]}"; do
    key=$source-${version#*:}
    prefix=$cache/$key
    if [[ -f $prefix/.ts-stamp && $(<"$prefix/.ts-stamp") == "$stamp" ]]; then
      echo "$name for Windows: $prefix (cached)"
      return 0
    fi
    upstream=${version#*:}
    upstream=${upstream%-*}
    upstream=${upstream%[.+]dfsg*}
    work=$(mktemp -d "$cache/.build-$key-XXXXXX")
    trap 'rm -rf "$work"' EXIT
    # As root apt would fall back to downloading unsandboxed into this private
    # folder anyway, with a warning.
    local apt_options=(-qq)
    [[ $(id -u) -ne 0 ]] || apt_options+=(-o APT::Sandbox::User=root)
    if ! (cd "$work" && apt-get "${apt_options[@]}" source "$source=$version") \
        >"$work/fetch.log" 2>&1; then
      # A mirror may lack a newer (security) upload's sources: take the
      # newest version it has.
      local why
      why=$({ grep -m1 -o '[0-9]\{3\}  *[A-Z][A-Za-z ]*[a-z]' "$work/fetch.log" ||
        grep -m1 '^E:' "$work/fetch.log" || tail -n1 "$work/fetch.log"; } |
        tr -s ' ')
      echo "$name $version: its sources cannot be fetched here ($why);" \
           "trying an older version" >&2
      rm -rf "$work"
      trap - EXIT
      continue
    fi
    echo "building $name $upstream for Windows (once; cached in $prefix)"
    started=$SECONDS
    local src
    src=$(find "$work" -mindepth 1 -maxdepth 1 -type d | head -n1)
    # Installed with its final prefix (the paths in its .pc and CMake files),
    # into a staging folder first.
    if ! { cmake -S "$src" -B "$work/build" -G Ninja \
          -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
          -DCMAKE_INSTALL_PREFIX="$prefix" \
          "-DTS_WINDOWS_PREFIXES=${deps:-}" "$@" &&
        cmake --build "$work/build" --parallel "$jobs" ${targets:+--target $targets} &&
        DESTDIR="$work/stage" cmake --install "$work/build"; } \
        >"$work/build.log" 2>&1; then
      tail -n 40 "$work/build.log" >&2
      die "$name $upstream did not build for Windows (the log's end is above)"
    fi
    local staged=$work/stage$prefix
    # Static libraries only: remove any DLL and import library.
    find "$staged" \( -name '*.dll' -o -name '*.dll.a' \) -delete
    if [[ -n ${after_install:-} ]]; then
      "$after_install" "$staged" "$work/build"
    fi
    printf '%s' "$stamp" >"$staged/.ts-stamp"
    if [[ -e $prefix ]]; then
      mv "$prefix" "$work/old"
    fi
    mv -T "$staged" "$prefix"
    rm -rf "$work"
    trap - EXIT
    echo "  $name built in $(seconds $((SECONDS - started)))"
    return 0
  done
  die "no version of $source could be fetched or was cached" \
      "(tried ${candidates[*]})"
}

# Debian's zlib sources lack the DLL's resource file: only the static library
# is built, installed by hand under the name the others look for (-lz,
# FindZLIB).
zlib_install() {
  mkdir -p "$1/lib"
  cp "$2/libzlibstatic.a" "$1/lib/libz.a"
}

targets=zlibstatic after_install=zlib_install build_library zlib zlib \
  -DSKIP_INSTALL_LIBRARIES=ON
zlib=$prefix

deps=$zlib build_library libpng1.6 libpng \
  -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_EXECUTABLES=OFF -DPNG_TESTS=OFF
png=$prefix

build_library libsdl2 SDL2 \
  -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF -DSDL_CCACHE=OFF
sdl=$prefix

# The folders the game is built against, replaced in one step.
list=$(mktemp "$cache/.prefixes-XXXXXX")
cat >"$list" <<EOF
# Written by scripts/windows_libs.sh: the Windows libraries in use.
set(TS_WINDOWS_PREFIXES "$zlib;$png;$sdl")
EOF
chmod 644 "$list"
if cmp -s "$list" "$cache/prefixes.cmake"; then
  rm -f "$list"
else
  mv -f "$list" "$cache/prefixes.cmake"
fi
