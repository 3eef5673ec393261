#!/usr/bin/env bash
# Measures, under a virtual X server, how long the program takes to show its main
# window and how much CPU it spends following the instrument live at the 9600-baud
# line rate (53.3 frames/s) for 30 s. Needs a built tree (tools/run.sh or test.sh).
#   xvfb-run -a -s "-screen 0 1024x768x24" tools/measure-live.sh [seconds]
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${BUILD:-$ROOT/build}"
SECONDS_TO_MEASURE="${1:-30}"
command -v xdotool >/dev/null || { "$ROOT/tools/deps.sh"; apt-get install -y -qq xdotool >/dev/null; }
WORK="$(mktemp -d)"
trap 'kill $APP $SIM 2>/dev/null || true; rm -rf "$WORK"' EXIT
export XDG_CONFIG_HOME="$WORK/cfg" XDG_DATA_HOME="$WORK/data"
mkdir -p "$XDG_CONFIG_HOME/Vantorel"
printf '{"Software\\\\Vantorel\\\\Halvex22": {"lng": "pl", "name": "", "company": "", "service": {"dword": 0}}}\n' \
  > "$XDG_CONFIG_HOME/Vantorel/halvex22.json"

"$BUILD/tools/lt40-sim" --port COM1 --rate 53.3 >/dev/null 2>&1 &
SIM=$!
sleep 0.3
start=$(date +%s%N)
"$BUILD/app/halvex" >/dev/null 2>&1 &
APP=$!
until WID=$(xdotool search --onlyvisible --name "Vantorel - Halvex" 2>/dev/null | head -1) && [ -n "$WID" ]; do
  sleep 0.005
done
shown=$(date +%s%N)
echo "main window shown after $(( (shown - start) / 1000000 )) ms (process start included)"

sleep 5.5  # the splash keeps the window disabled for 5 s
eval "$(xdotool getwindowgeometry --shell "$WID")"
xdotool mousemove $((X + 608)) $((Y + 67)) click 1  # "Połącz"
sleep 2
# utime and stime of the whole process (all threads), in clock ticks.
read -r u0 s0 < <(awk '{print $14, $15}' "/proc/$APP/stat"); w0=$(date +%s%N)
sleep "$SECONDS_TO_MEASURE"
read -r u1 s1 < <(awk '{print $14, $15}' "/proc/$APP/stat"); w1=$(date +%s%N)
awk -v u=$((u1 - u0)) -v s=$((s1 - s0)) -v hz="$(getconf CLK_TCK)" -v wall=$((w1 - w0)) 'BEGIN {
  t = wall / 1e9
  printf "CPU over %.1f s live at 53.3 frames/s: %.2f %% of one core (user %.2f %%, system %.2f %%)\n",
         t, 100 * (u + s) / hz / t, 100 * u / hz / t, 100 * s / hz / t }'
