#!/usr/bin/env bash
# Builds into build/, installing what is missing first.
#   build.sh         everything: the game, the web version, tests, benchmarks
#   build.sh --game  the game alone (what the play command needs)
set -euo pipefail
cd "$(dirname "$0")/.."
if [[ "${1:-}" == --game ]]; then
  bash scripts/setup.sh game
  # A folder made for the game alone needs no test libraries; one already
  # made for everything is used as it is.
  if [[ ! -f build/build.ninja ]]; then
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DTS_BUILD_TESTS=OFF -DTS_BUILD_BENCH=OFF -DTS_BUILD_WEB=OFF >/dev/null
  fi
  cmake --build build --target tumblesquash -- -j"$(nproc)"
  exit 0
fi
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DTS_BUILD_TESTS=ON -DTS_BUILD_BENCH=ON -DTS_BUILD_WEB=ON >/dev/null
cmake --build build -- -j"$(nproc)"
