#!/usr/bin/env bash
# Builds everything and runs every test, in four stages:
#   1. the release build and the whole test suite (ctest);
#   2. the Windows version, cross-compiled (scripts/windows.sh), and its
#      tests under Wine: the golden runs, the file layer, the window, the
#      installer and the zip (skipped, saying why, where Wine cannot run);
#   3. the fuzz targets, built with clang, each run for a bounded time from
#      its seed corpus (fuzz/corpus/); any crash or sanitizer report fails;
#   4. the whole test suite again under AddressSanitizer and
#      UndefinedBehaviorSanitizer; any report fails.
# Options:
#   --quick   stage 1 only, for a quick check while working
# Environment:
#   TS_FUZZ_SECONDS   how long each fuzz target runs (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."

quick=0
for arg in "$@"; do
  case "$arg" in
    --quick) quick=1 ;;
    -h|--help) sed -n '2,14p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "test.sh: unknown option \"$arg\" (try --help)" >&2; exit 2 ;;
  esac
done
jobs="$(nproc)"
stage() { echo; echo "=== $* ($(date +%H:%M:%S))"; }

stage "1/4 release build and test suite"
bash scripts/build.sh
(cd build && ctest --output-on-failure -j"$jobs")
if [[ $quick == 1 ]]; then
  echo "quick mode: fuzzing and the sanitizer run skipped"
  exit 0
fi

stage "2/4 the Windows version under Wine"
# Wine runs 64-bit Windows programs on x86-64 only.
if [[ $(uname -s)/$(uname -m) != Linux/x86_64 ]]; then
  echo "skipped: Wine cannot run the Windows version on $(uname -s)/$(uname -m)"
else
  bash scripts/windows.sh --test
fi

stage "3/4 fuzz targets"
seconds="${TS_FUZZ_SECONDS:-60}"
# Every fuzz/<name>_fuzz.cpp, each with its seeds in fuzz/corpus/<name>.
targets=()
for f in fuzz/*_fuzz.cpp; do
  t=${f#fuzz/}
  targets+=("${t%_fuzz.cpp}")
done
if [[ ! -f build-fuzz/build.ninja ]]; then
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja \
    -DCMAKE_BUILD_TYPE=Release -DTS_BUILD_FUZZ=ON -DTS_BUILD_TESTS=OFF \
    -DTS_BUILD_BENCH=OFF -DTS_BUILD_WEB=OFF >/dev/null
fi
cmake --build build-fuzz -- -j"$jobs" "${targets[@]/#/fuzz_}"
for t in "${targets[@]}"; do
  work="$PWD/build-fuzz/work/$t"
  rm -rf "$work" && mkdir -p "$work"
  log="build-fuzz/fuzz_$t.log"
  # New finds go to the work folder; the committed seeds stay as they are.
  if ! build-fuzz/fuzz/fuzz_$t -max_total_time="$seconds" -timeout=25 \
      -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$PWD/build-fuzz/fuzz_$t-" \
      "$work" "$PWD/fuzz/corpus/$t" >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "fuzz_$t FAILED (log: $log, input: build-fuzz/fuzz_$t-*)" >&2
    exit 1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  cov=$(sed -nE 's/^#[0-9]+[[:space:]]+DONE.*cov: ([0-9]+) ft: ([0-9]+).*/cov \1, ft \2/p' \
    "$log" | tail -n 1)
  echo "fuzz_$t: ${runs:-?} runs in ${seconds}s, ${cov:-no coverage line}"
done

stage "4/4 test suite under AddressSanitizer and UndefinedBehaviorSanitizer"
if [[ ! -f build-asan/build.ninja ]]; then
  # The web version is tested in stage 1; here its tests say they are skipped.
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTS_BUILD_BENCH=OFF -DTS_BUILD_WEB=OFF \
    "-DCMAKE_CXX_FLAGS=-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer" \
    "-DCMAKE_C_FLAGS=-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer" \
    "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=address,undefined" >/dev/null
fi
cmake --build build-asan -- -j"$jobs"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
(cd build-asan && ctest --output-on-failure -j"$jobs")
echo
echo "all stages passed"
