#!/usr/bin/env bash
# What the toolkit alone costs when following the line: tools/least_qt (the two-thread
# hand-over, and optionally the chart and readout repainted at Halvex's pace) side by side
# with the floor reader of ../shared/perf, both fed the same way by its feeder, under Xvfb.
# Prints one JSON line per run, then medians per feed and mode.
#   tools/measure-least-qt.sh [seconds] [runs]        (default: 20 3)
# Environment: FEEDS (default "frame byte chunk"), MODES (default "handover chart full"),
# PERF (the perf folder), PF (where helpers are built, default /tmp/halvex-pf),
# DISPLAY (default :91; an Xvfb is started there when nothing answers).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
SECS="${1:-20}"
RUNS="${2:-3}"
export PF="${PF:-/tmp/halvex-pf}"
export DISPLAY="${DISPLAY:-:91}"
PERF="${PERF:-}"
for p in "$PERF" "$ROOT/../shared/perf" "$ROOT/../../shared/perf"; do
  [ -n "$p" ] && [ -f "$p/live.py" ] && PERF="$(cd "$p" && pwd)" && break
done
[ -f "$PERF/cpustat.py" ] || { echo "no perf folder with cpustat.py (set PERF)" >&2; exit 1; }
command -v xdotool >/dev/null || {
  "$ROOT/tools/deps.sh"
  apt-get install -y -qq --no-install-recommends xdotool >/dev/null
}
mkdir -p "$PF"
[ -x "$PF/feeder" ] || gcc -O2 -o "$PF/feeder" "$PERF/feeder.c" -lm -lutil
[ -x "$PF/floor" ] || gcc -O2 -o "$PF/floor" "$PERF/floor.c"
g++ -O2 -std=c++20 -fPIC -o "$PF/least_qt" "$ROOT/tools/least_qt/least_qt.cpp" \
  $(pkg-config --cflags --libs Qt6Widgets) -lpthread

XVFB_STARTED=""
if ! xdotool getmouselocation >/dev/null 2>&1; then
  Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  XVFB_STARTED=$!
  sleep 1
fi
trap '[ -z "$XVFB_STARTED" ] || kill "$XVFB_STARTED"' EXIT

python3 - "$PERF" "$SECS" "$RUNS" "${FEEDS:-frame byte chunk}" "${MODES:-handover chart full}" <<'PY'
import json, os, statistics, subprocess, sys, tempfile, time
perf, secs, runs = sys.argv[1], float(sys.argv[2]), int(sys.argv[3])
feeds, modes = sys.argv[4].split(), sys.argv[5].split()
sys.path.insert(0, perf)
from cpustat import snap
pf = os.environ["PF"]
pct = lambda a, b: 100 * (b["run_ns"] - a["run_ns"]) / 1e9 / (b["t"] - a["t"])
res = {}
for run in range(runs):
    for feed in feeds:
        for mode in modes:
            w = tempfile.mkdtemp(prefix="leastqt.")
            feeders = [subprocess.Popen([f"{pf}/feeder", f"{w}/{n}", feed, str(secs + 30), "--wait-open",
                                         "--value", "sine"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                       for n in ("app", "floor")]
            while not all(os.path.lexists(f"{w}/{n}") for n in ("app", "floor")): time.sleep(0.01)
            load = open("/proc/loadavg").read().split()[0]
            q = subprocess.Popen([f"{pf}/least_qt", f"{w}/app", mode], stderr=subprocess.DEVNULL)
            time.sleep(3)
            fl = subprocess.Popen([f"{pf}/floor", f"{w}/floor", str(secs + 1.5)], stdout=subprocess.DEVNULL)
            time.sleep(0.5)
            a0, f0 = snap(q.pid), snap(fl.pid)
            time.sleep(secs)
            a1, f1 = snap(q.pid), snap(fl.pid)
            for p in (q, fl, *feeders):
                p.kill(); p.wait()
            A, F = pct(a0, a1), pct(f0, f1)
            row = dict(feed=feed, mode=mode, load=load, app_pct=round(A, 3), floor_pct=round(F, 3),
                       ratio=round(A / F, 2) if F > 0 else None)
            print(json.dumps(row), flush=True)
            res.setdefault((feed, mode), []).append(row)
print("medians:")
for (feed, mode), rows in res.items():
    m = lambda k: statistics.median(r[k] for r in rows if r[k] is not None)
    print(json.dumps(dict(feed=feed, mode=mode, runs=len(rows), app_pct=m("app_pct"),
                          floor_pct=m("floor_pct"), ratio=m("ratio"))))
PY
