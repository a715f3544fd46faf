#!/usr/bin/env bash
# Resident memory of `kvlctl graduate` over a long unattended run on the
# simulator: sampled every minute, then the first and the last hour compared.
# A night's run must not grow: the ratio last/first hour should stay within 1 %.
#
#   bench/graduate_memory.sh [BUILD] [STABILIZATION_S] [SPEED]
# defaults: build, 960 s a temperature step (a run of about 2.5 hours), speed 60.
set -euo pipefail
BUILD=${1:-build}
STAB=${2:-960}
SPEED=${3:-60}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
WORK=$(mktemp -d)
trap 'kill $SIM 2>/dev/null || true; rm -rf "$WORK"' EXIT

mkfifo "$WORK/in"
"$ROOT/$BUILD/tools/kvlsim" --pty --type Z5 --count 20 --speed "$SPEED" \
  --chamber "$ROOT/profiles/demo-ascii.chamber" --valves "$ROOT/profiles/demo.valves" \
  <"$WORK/in" >"$WORK/sim.out" 2>"$WORK/sim.err" &
SIM=$!
exec 3>"$WORK/in"   # keeps the simulator's input open for the whole run
for _ in $(seq 50); do [ "$(wc -l <"$WORK/sim.out")" -ge 2 ] && break; sleep 0.1; done
PTY=$(sed -n 1p "$WORK/sim.out"); CHAMBER=$(sed -n 2p "$WORK/sim.out")
ADDR=$(seq -s, 1 20)

"$ROOT/$BUILD/tools/kvlctl" graduate --port "$PTY" --chamber-port "$CHAMBER" \
  --chamber "$ROOT/profiles/demo-ascii.chamber" --valves "$ROOT/profiles/demo.valves" \
  --type Z5 --addr "$ADDR" --data "$WORK/run" --conc 0.5 1.0 --stabilization "$STAB" \
  --progress 600 >"$WORK/ctl.out" 2>"$WORK/ctl.err" &
CTL=$!
start=$(date +%s)
: >"$WORK/rss"
while kill -0 "$CTL" 2>/dev/null; do
  rss=$(awk '/^VmRSS/ {print $2}' "/proc/$CTL/status" 2>/dev/null || true)
  [ -n "$rss" ] && echo "$(( ($(date +%s) - start) / 60 )) $rss" | tee -a "$WORK/rss"
  sleep 60
done
wait "$CTL" && status=0 || status=$?
echo "kvlctl graduate exit status $status after $(( ($(date +%s) - start) / 60 )) min"
tail -3 "$WORK/ctl.out"
awk 'NR == FNR { last = $1; next }
     { rss[$1] = $2 }
     END {
       for (m in rss) {
         if (m < 60) { f += rss[m]; nf++ }
         if (m > last - 60) { l += rss[m]; nl++ }
         if (rss[m] > peak) peak = rss[m]
       }
       if (nf == 0 || nl == 0) { print "too short a run for two hours"; exit 1 }
       printf "resident memory kB: first hour mean %.0f, last hour mean %.0f, peak %d\n", f / nf, l / nl, peak
       printf "ratio last/first hour: %.4f\n", (l / nl) / (f / nf)
     }' "$WORK/rss" "$WORK/rss"
