#!/usr/bin/env bash
# A simulated four-detector graduation's time against the least time the
# simulator's own model allows: runs `kvlctl graduate` on kvlsim, stamps each
# line kvlctl prints as it arrives (to the microsecond; kvlctl's own stamps
# are whole seconds), then hands the log to build/bench/graduate_time, which
# works out the ideal and prints the table. It prints ratios and asserts
# nothing about wall-clock time; the machine's load is printed beside them.
#
#   bench/graduate_time.sh [BUILD] [STABILIZATION_S] [SPEED]
# defaults: build, 5 s a temperature step, speed 300 (about 5.5 minutes).
# GRADUATE_TIME_LOG=FILE keeps the stamped log; `build/bench/graduate_time
# ... FILE` prints the table from it again.
set -euo pipefail
BUILD=${1:-build}
STAB=${2:-5}
SPEED=${3:-300}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
CHAMBER="$ROOT/profiles/demo-ascii.chamber"
VALVES="$ROOT/profiles/demo.valves"
WORK=$(mktemp -d)
SIM=
trap '[ -n "$SIM" ] && kill "$SIM" 2>/dev/null; rm -rf "$WORK"' EXIT

mkfifo "$WORK/in"
"$ROOT/$BUILD/tools/kvlsim" --pty --type Z5 --count 4 --speed "$SPEED" --chamber "$CHAMBER" --valves "$VALVES" \
  <"$WORK/in" >"$WORK/sim.out" 2>"$WORK/sim.err" &
SIM=$!
exec 3>"$WORK/in"   # keeps the simulator's input open for the whole run
for _ in $(seq 50); do [ "$(wc -l <"$WORK/sim.out")" -ge 2 ] && break; sleep 0.1; done
if [ "$(wc -l <"$WORK/sim.out")" -lt 2 ]; then
  echo "graduate_time: kvlsim did not name its two lines" >&2
  cat "$WORK/sim.err" >&2
  exit 1
fi
PTY=$(sed -n 1p "$WORK/sim.out"); CHAMBER_PTY=$(sed -n 2p "$WORK/sim.out")

echo "load before: $(cat /proc/loadavg)"
start=$EPOCHREALTIME
set +e
"$ROOT/$BUILD/tools/kvlctl" graduate --port "$PTY" --chamber-port "$CHAMBER_PTY" \
  --chamber "$CHAMBER" --valves "$VALVES" --type Z5 --addr 1-4 --data "$WORK/run" \
  --conc 0.5 1.0 --stabilization "$STAB" 2>"$WORK/ctl.err" |
  while IFS= read -r line; do printf '%s %s\n' "$EPOCHREALTIME" "$line"; done >"$WORK/ctl.out"
status=${PIPESTATUS[0]}
set -e
echo "load after:  $(cat /proc/loadavg)"
awk -v s="$start" -v e="$EPOCHREALTIME" -v rc="$status" \
  'BEGIN { printf "kvlctl graduate exit status %d after %.1f s\n", rc, e - s }'
[ -n "${GRADUATE_TIME_LOG:-}" ] && cp "$WORK/ctl.out" "$GRADUATE_TIME_LOG"
if [ "$status" -ne 0 ]; then
  tail -5 "$WORK/ctl.out"
  cat "$WORK/ctl.err" >&2
fi
"$ROOT/$BUILD/bench/graduate_time" --speed "$SPEED" --stabilization "$STAB" --count 4 --chamber "$CHAMBER" \
  --conc 0.5 1.0 "$WORK/ctl.out"
