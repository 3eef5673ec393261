#!/usr/bin/env bash
# Measures what following the instrument live costs, from the outside: the Release program
# under Xvfb fed on a pseudo-terminal, side by side with the floor reader (raw pty, poll +
# read, frame cutting), with ../shared/perf/live.py, plus the X server's own CPU over the same
# interval and the machine's load before each run. Prints one JSON line per run, then the
# medians per feeding style.
#   tools/measure-live.sh [seconds] [runs] [styles...]     (default: 30 3 frame byte chunk)
# Environment: BUILD (a Release build, default build-rel), PERF (the perf folder),
# PF (where its helpers are built, default /tmp/halvex-pf), DISPLAY (default :91; an Xvfb is
# started there when nothing answers).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
SECS="${1:-30}"
RUNS="${2:-3}"
shift $(($# > 2 ? 2 : $#)) || true
STYLES=("$@")
[ ${#STYLES[@]} -gt 0 ] || STYLES=(frame byte chunk)
export BIN="${BUILD:-$ROOT/build-rel}"
export PF="${PF:-/tmp/halvex-pf}"
export DISPLAY="${DISPLAY:-:91}"
PERF="${PERF:-}"
for p in "$PERF" "$ROOT/../shared/perf" "$ROOT/../../shared/perf"; do
  [ -n "$p" ] && [ -f "$p/live.py" ] && PERF="$(cd "$p" && pwd)" && break
done
[ -f "$PERF/live.py" ] || { echo "no perf folder with live.py (set PERF)" >&2; exit 1; }
[ -x "$BIN/app/halvex" ] || { echo "no program at $BIN/app/halvex (set BUILD)" >&2; exit 1; }
command -v xdotool >/dev/null && command -v import >/dev/null || {
  "$ROOT/tools/deps.sh"
  apt-get install -y -qq --no-install-recommends xdotool imagemagick >/dev/null
}

mkdir -p "$PF"
[ -x "$PF/feeder" ] || gcc -O2 -o "$PF/feeder" "$PERF/feeder.c" -lm -lutil
[ -x "$PF/floor" ] || gcc -O2 -o "$PF/floor" "$PERF/floor.c"
[ -x "$PF/waitmap" ] || gcc -O2 -o "$PF/waitmap" "$PERF/waitmap.c" -lX11
[ -x "$PF/waitpaint" ] || gcc -O2 -o "$PF/waitpaint" "$PERF/waitpaint.c" -lX11
cp "$PERF/launch.py" "$PF/"

XVFB_STARTED=""
if ! xdotool getmouselocation >/dev/null 2>&1; then
  Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  XVFB_STARTED=$!
  sleep 1
fi
trap '[ -z "$XVFB_STARTED" ] || kill "$XVFB_STARTED"' EXIT

python3 - "$PERF" "$SECS" "$RUNS" "${STYLES[@]}" <<'EOF'
import json, os, statistics, subprocess, sys, time
perf, secs, runs, styles = sys.argv[1], float(sys.argv[2]), int(sys.argv[3]), sys.argv[4:]
sys.path.insert(0, perf)
from cpustat import snap

def server_pid():
    disp = os.environ["DISPLAY"].split(".")[0]
    for p in os.listdir("/proc"):
        if not p.isdigit(): continue
        try: argv = open(f"/proc/{p}/cmdline", "rb").read().split(b"\0")
        except OSError: continue
        if argv and os.path.basename(argv[0]) == b"Xvfb" and disp.encode() in argv: return int(p)
    return None

def floor_started():
    exe = os.path.join(os.environ["PF"], "floor").encode()
    for p in os.listdir("/proc"):
        if not p.isdigit(): continue
        try:
            if open(f"/proc/{p}/cmdline", "rb").read().split(b"\0")[0] == exe: return True
        except OSError: pass
    return False

xs = server_pid()
pct = lambda d: 100 * d["run_ns"] / 1e9 / d["t"]
res = {s: [] for s in styles}
for run in range(runs):
    for style in styles:
        load = open("/proc/loadavg").read().split()[:3]
        lp = subprocess.Popen([sys.executable, f"{perf}/live.py", style, str(secs)],
                              stdout=subprocess.PIPE, text=True)
        while not floor_started() and lp.poll() is None: time.sleep(0.01)
        time.sleep(0.5)  # live.py takes its first snapshot 0.5 s after the floor starts
        x0 = snap(xs) if xs else None
        time.sleep(secs)
        x1 = snap(xs) if xs else None
        out = json.loads(lp.communicate()[0].strip().splitlines()[-1])
        a, f = out["app"], out["floor"]
        row = dict(style=style, load=load, app_pct=round(pct(a), 3), floor_pct=round(pct(f), 3),
                   ratio=round(pct(a) / pct(f), 2) if pct(f) > 0 else None,
                   app_user_pct=round(a["utime"] / os.sysconf("SC_CLK_TCK") / a["t"] * 100, 2),
                   app_sys_pct=round(a["stime"] / os.sysconf("SC_CLK_TCK") / a["t"] * 100, 2),
                   app_vcs_per_frame=None, floor_vcs_per_frame=None,
                   xvfb_pct=round(100 * (x1["run_ns"] - x0["run_ns"]) / 1e9 / (x1["t"] - x0["t"]), 3) if xs else None,
                   hwm_mb=round(out["app_hwm_kb"] / 1024, 1), map_ms=round(out["map_ms"] or -1, 1),
                   consumed=out["feed_app"]["consumed"], written=out["feed_app"]["frames"],
                   floor_out=out["floor_out"], alive=out["app_alive"])
        frames = secs * 9600 / 10 / 18
        row["app_vcs_per_frame"] = round((a["vcs"] + a["ivcs"]) / frames, 2)
        row["floor_vcs_per_frame"] = round((f["vcs"] + f["ivcs"]) / frames, 2)
        print(json.dumps(row), flush=True)
        res[style].append(row)
print("medians:")
for style, rows in res.items():
    m = lambda k: statistics.median(r[k] for r in rows if r[k] is not None)
    print(json.dumps(dict(style=style, runs=len(rows), app_pct=m("app_pct"), floor_pct=m("floor_pct"),
                          ratio=m("ratio"), xvfb_pct=m("xvfb_pct"), app_user_pct=m("app_user_pct"),
                          app_sys_pct=m("app_sys_pct"), app_vcs_per_frame=m("app_vcs_per_frame"),
                          hwm_mb=max(r["hwm_mb"] for r in rows),
                          loads=[r["load"][0] for r in rows])))
EOF
