#!/usr/bin/env bash
# Builds the Debian package and installs it with apt on a fresh Debian 12,
# as a new player would, then plays it there from an unrelated folder.
#
#   bash scripts/check_package.sh [ROOT]
#
# ROOT (default /var/tmp/ts-bookworm) receives a fresh copy of a minimal
# Debian 12 that debootstrap makes once (in ROOT.base), so every run installs
# into a system that has never seen the game or its libraries. Needs root and
# Debian's package mirror. The game itself runs on a virtual display
# of this machine (Xvfb), shared into the chroot.
set -euo pipefail
cd "$(dirname "$0")/.."
root=${1:-/var/tmp/ts-bookworm}
here=$(pwd)

bash scripts/setup.sh package

echo "== building the package"
if [[ ! -f build-pkg/build.ninja ]]; then
  cmake -S . -B build-pkg -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX=/usr -DTS_BUILD_TESTS=OFF -DTS_BUILD_BENCH=OFF \
    -DTS_BUILD_WEB=OFF >/dev/null
fi
cmake --build build-pkg -- -j2 >/dev/null
rm -f build-pkg/tumblesquash_*.deb
(cd build-pkg && cpack -G DEB >/dev/null)
deb=$(ls build-pkg/tumblesquash_*.deb)
echo "$deb"
dpkg-deb --field "$deb" Package Version Depends
echo "== lintian --pedantic"
lintian --pedantic --display-info "$deb" 2>&1 | grep -v "root privileges" || true

if [[ ! -f "$root.base/etc/debian_version" ]]; then
  echo "== making a minimal Debian 12 in $root.base"
  rm -rf "$root.base"
  debootstrap --variant=minbase bookworm "$root.base" >/dev/null
fi
rm -rf "$root"
cp -a "$root.base" "$root"

mounted=()
xvfb=
cleanup() {
  [[ -n "$xvfb" ]] && kill "$xvfb" 2>/dev/null || true
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do umount "${mounted[i]}" || true; done
}
trap cleanup EXIT
mkdir -p "$root/tmp/.X11-unix"
for m in proc sys dev tmp/.X11-unix; do
  mount --bind "/$m" "$root/$m"
  mounted+=("$root/$m")
done
in_root() {
  chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin:/usr/games HOME=/root \
    DEBIAN_FRONTEND=noninteractive "$@"
}

echo "== installing it with apt"
cp "$deb" "$root/root/"
in_root apt-get update -qq
in_root apt-get install -y "/root/$(basename "$deb")" >"$root/root/apt.log" 2>&1 ||
  { cat "$root/root/apt.log"; exit 1; }
grep -E "newly installed" "$root/root/apt.log"
in_root dpkg -L tumblesquash | grep -v '/$' | grep -E 'games/|\.(desktop|xml|gz|png|ssk|SSK|bmp)$' | head -20

echo "== running it from an unrelated folder"
mkdir -p "$root/srv/elsewhere"
in_root sh -c 'cd /srv/elsewhere && tumblesquash --version && tumblesquash --help | tail -4'
in_root sh -c 'cd /srv/elsewhere && tumblesquash --headless --data /usr/share/tumblesquash --seed 3 --frames 700 --shot 700:/srv/elsewhere/title.png'
ls -l "$root/srv/elsewhere"

# The game on a virtual screen: the splash window, a click, the game window,
# Escape, exit code 0 and the scores in the player's folder.
display=:$((90 + RANDOM % 50))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do
  DISPLAY=$display xdotool getdisplaygeometry >/dev/null 2>&1 && break
  sleep 0.1
done
(cd "$root" && chroot "$root" env -i PATH=/usr/bin:/bin:/usr/games HOME=/root \
  DISPLAY="$display" SDL_AUDIODRIVER=dummy sh -c 'cd /srv/elsewhere && exec tumblesquash --window') &
game=$!
export DISPLAY=$display
splash=$(xdotool search --sync --onlyvisible --name '^TumbleSquash$' | head -1)
xdotool mousemove --window "$splash" 100 100 click 1
for _ in $(seq 100); do
  [[ -f "$root/root/.local/share/tumblesquash/Score.dat" ]] && break
  sleep 0.1
done
sleep 2
xdotool search --onlyvisible --name '^TumbleSquash$' getwindowgeometry
xdotool key Escape
code=0
wait "$game" || code=$?
echo "the game ended with $code"
ls -l "$root/root/.local/share/tumblesquash/"
[[ $code -eq 0 && -f "$root/root/.local/share/tumblesquash/Score.dat" ]]
echo "== the package installs and plays on a fresh Debian 12"
cd "$here"
