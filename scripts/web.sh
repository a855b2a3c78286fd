#!/usr/bin/env bash
# Builds the web version into build/web/site, a folder of static files any
# web server can serve, and serves it on this machine.
#   bash scripts/web.sh [--build-only] [PORT]     (PORT defaults to 8000)
set -euo pipefail
cd "$(dirname "$0")/.."
serve=1
port=8000
for arg in "$@"; do
  case "$arg" in
    --build-only) serve=0 ;;
    --help|-h)
      echo "usage: bash scripts/web.sh [--build-only] [PORT]"
      exit 0 ;;
    *[!0-9]*|'')
      echo "web.sh: unknown argument \"$arg\" (try --help)" >&2
      exit 2 ;;
    *) port=$arg ;;
  esac
done

bash scripts/setup.sh
if [[ ! -f build/build.ninja ]]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
if ! cmake --build build --target ts_web -- -j"$(nproc)"; then
  echo "web.sh: the web version did not build (is emscripten installed? see" \
       "the cmake output above)" >&2
  exit 1
fi
site=build/web/site
echo "The web version is in $site/ (index.html and the files it names)."
[[ $serve == 1 ]] || exit 0
exec node scripts/serve_web.mjs "$site" "$port"
