#!/usr/bin/env bash
# Installs what is needed, builds everything and runs the whole test suite with ctest:
#   1. the normal build (program, windows, simulator, benchmarks) and all its tests; then
#      its installation into a temporary folder, checked and run without the build folder
#      (tools/check-install.sh);
#   2. an AddressSanitizer + UndefinedBehaviorSanitizer build of everything, windows and
#      end-to-end tests included, and all its tests;
#   3. a ThreadSanitizer build of the serial port, its hand-over to the window thread and
#      the link tests (the port against the simulator on a pseudo-terminal among them).
# HALVEX_SKIP_SANITIZERS=1 runs only the first.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$ROOT/tools/deps.sh"
JOBS="$(nproc)"
CTEST=(ctest --output-on-failure -j "$JOBS" --timeout 180)

cmake -S "$ROOT" -B "$ROOT/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$ROOT/build" -j "$JOBS"
"${CTEST[@]}" --test-dir "$ROOT/build"
"$ROOT/tools/check-install.sh" "$ROOT/build"

if [ "${HALVEX_SKIP_SANITIZERS:-0}" != "1" ]; then
  cmake -S "$ROOT" -B "$ROOT/build-asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DHALVEX_WITH_GUI=ON -DHALVEX_BENCH=OFF -DHALVEX_SANITIZE=ON -DHALVEX_TSAN=OFF >/dev/null
  cmake --build "$ROOT/build-asan" -j "$JOBS"
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "${CTEST[@]}" --test-dir "$ROOT/build-asan"

  cmake -S "$ROOT" -B "$ROOT/build-tsan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DHALVEX_WITH_GUI=OFF -DHALVEX_BENCH=OFF -DHALVEX_SANITIZE=OFF -DHALVEX_TSAN=ON >/dev/null
  cmake --build "$ROOT/build-tsan" -j "$JOBS" --target comport_tests link_tests link_e2e_tests lt40-sim
  TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
    "${CTEST[@]}" --test-dir "$ROOT/build-tsan" -R "^(ComPortOnPty|ComPortFakeHost|DeliveryQueue|EndToEnd|FrameReceiver)"
fi
