#!/usr/bin/env bash
# Installs what is needed, builds the program and the simulated LT-40, links the
# simulator as COM1 (the program's default port) and starts the program. The
# simulator is stopped when the program ends. Extra arguments go to the simulator,
# e.g.  tools/run.sh --gen ramp --rate 20
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$ROOT/tools/deps.sh"
cmake -S "$ROOT" -B "$ROOT/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$ROOT/build" -j "$(nproc)" --target halvex lt40-sim

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  cat >&2 <<MSG
No display found (DISPLAY and WAYLAND_DISPLAY are empty), so the program cannot open
its window here. Run it under a virtual X server instead:
  xvfb-run -a -s "-screen 0 1024x768x24" $0 $*
(xvfb-run comes with the Debian package xvfb, which this script has installed.)
MSG
  exit 2
fi

"$ROOT/build/tools/lt40-sim" --port COM1 "$@" &
SIM=$!
trap 'kill -TERM $SIM 2>/dev/null; wait $SIM 2>/dev/null || true' EXIT
sleep 0.3
"$ROOT/build/app/halvex"
