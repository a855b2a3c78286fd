#!/usr/bin/env bash
# Builds the game and starts it. Extra arguments go to the game
# (for example --window). Without a display, runs it on a virtual one.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh --game
cd build/run
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "No display found: starting the game on a virtual screen (Xvfb)." >&2
  exec xvfb-run -a -s "-screen 0 1280x1024x24" ./tumblesquash "$@"
fi
exec ./tumblesquash "$@"
