#!/usr/bin/env bash
# Installs what is needed, builds everything and runs the whole test suite with ctest:
#   1. the normal build (program, windows, simulator, benchmarks) and all its tests;
#   2. an AddressSanitizer + UndefinedBehaviorSanitizer build of the toolkit-free
#      libraries (serial port, frames, processing, chart logic, simulator) and their tests.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$ROOT/tools/deps.sh"
JOBS="$(nproc)"

cmake -S "$ROOT" -B "$ROOT/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$ROOT/build" -j "$JOBS"
ctest --test-dir "$ROOT/build" --output-on-failure -j "$JOBS"

if [ "${HALVEX_SKIP_SANITIZERS:-0}" != "1" ]; then
  cmake -S "$ROOT" -B "$ROOT/build-asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DHALVEX_WITH_GUI=OFF -DHALVEX_BENCH=OFF -DHALVEX_SANITIZE=ON >/dev/null
  cmake --build "$ROOT/build-asan" -j "$JOBS"
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir "$ROOT/build-asan" --output-on-failure -j "$JOBS"
fi
