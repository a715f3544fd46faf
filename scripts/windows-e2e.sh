#!/usr/bin/env bash
# kvlctl.exe under Wine against kvlsim on a pseudo-terminal mapped as a COM
# port, each step compared with the Linux kvlctl on an identical simulated bus:
# the same output, the same files byte for byte (times of day masked), the same
# registers afterwards. Files one side wrote are read by the other.
# Usage: scripts/windows-e2e.sh [LINUX_BUILD] [WINDOWS_BUILD]; prints a table,
# exit status 1 when any comparison differs.
set -uo pipefail
LB=$(realpath "${1:-build}")
WB=$(realpath "${2:-build-windows}")
export WINEPREFIX="$WB/wine" WINEDEBUG=-all
work=$(mktemp -d /tmp/kvl-e2e.XXXXXX)
failures=0
sim_pid=
buses=0

stop_sim() {
  if [ -n "$sim_pid" ]; then kill "$sim_pid" 2>/dev/null; wait "$sim_pid" 2>/dev/null; sim_pid=; fi
}
trap 'stop_sim; wineserver -k 2>/dev/null; rm -rf "$work"' EXIT
# One Wine server for every run, quiet (a killed program makes it report).
wineserver -p >/dev/null 2>&1

# A fresh simulated bus (its model frozen, so both sides read the same values)
# on a new pty, which Wine's COM5 points at.
fresh_bus() {
  stop_sim
  buses=$((buses + 1))
  local out="$work/sim.$buses.out"
  "$LB/tools/kvlsim" --pty --speed 0 --no-stdin "$@" >"$out" 2>&1 &
  sim_pid=$!
  # A loaded machine may take a while to start it.
  pty=
  for _ in $(seq 300); do
    pty=$(grep -m1 '^/dev/' "$out")
    [ -n "$pty" ] && break
    sleep 0.1
  done
  if [ ! -e "$pty" ]; then
    echo "windows-e2e: kvlsim did not serve a pty: $(cat "$out")" >&2
    exit 1
  fi
  ln -sfn "$pty" "$WINEPREFIX/dosdevices/com5"
}

# side linux|windows ARGS...: runs kvlctl in that side's folder; stdout with
# CR LF made LF (the Windows console's line end), the port's name as PORT.
side() {
  local s=$1; shift
  mkdir -p "$work/$s"
  if [ "$s" = linux ]; then
    (cd "$work/linux" && "$LB/tools/kvlctl" "${@//@PORT/$pty}")
  else
    (cd "$work/windows" && wine "$WB/tools/kvlctl.exe" "${@//@PORT/COM5}")
  fi | tr -d '\r' | sed -e "s|$pty|PORT|g; s|COM5|PORT|g"
}

# Registers read back by the Linux kvlctl (the independent witness).
registers() { "$LB/tools/kvlctl" read --port "$pty" --addr "$1" --first "$2" --count "$3"; }

# Files of a folder, one block each, with the times of day and dates masked.
files_of() {
  (cd "$1" && for f in $(ls | sort); do
     [ -f "$f" ] || continue
     echo "== $f"
     # Wine gives the host name in capitals, as Windows does.
     sed -E "s/$(hostname)/HOST/Ig" "$f" |
     sed -E 's/[0-9]{2}:[0-9]{2}:[0-9]{2}/HH:MM:SS/g; s/[0-9]{2}\.[0-9]{2}\.[0-9]{4}/DD.MM.YYYY/g; s/[0-9]{4}-[0-9]{2}-[0-9]{2}/YYYY-MM-DD/g' | od -c
   done)
}

report() {
  local name=$1 a=$2 b=$3
  if cmp -s "$a" "$b"; then
    printf '%-34s same (%s lines)\n' "$name" "$(wc -l <"$a")"
  else
    printf '%-34s DIFFERENT\n' "$name"
    diff "$a" "$b" | head -20
    failures=$((failures + 1))
  fi
}

# compare NAME BUS-ARGS -- STEP: runs STEP (a function taking the side) on a
# fresh bus per side and compares what it left in $work/<side>.out.
run_pair() {
  local step=$1; shift
  for s in linux windows; do
    rm -rf "${work:?}/$s" && mkdir -p "$work/$s"
    fresh_bus "$@"
    "$step" "$s" >"$work/$s.out" 2>&1
  done
}

# A pair that differs runs once more, on fresh buses: Wine on a loaded machine
# has been seen to lose a program's whole output once in a while. The first
# difference is shown either way, so a real one is never hidden.
compare() {
  local name=$1 step=$2; shift 2
  run_pair "$step" "$@"
  if ! cmp -s "$work/linux.out" "$work/windows.out"; then
    printf '%-34s differed on a first try:\n' "$name"
    diff "$work/linux.out" "$work/windows.out" | head -20
    run_pair "$step" "$@"
  fi
  report "$name" "$work/linux.out" "$work/windows.out"
  # Kept for a look: build-windows/e2e/<step>.<side>.out
  mkdir -p "$WB/e2e"
  for s in linux windows; do cp "$work/$s.out" "$WB/e2e/$step.$s.out"; done
}

step_scan() { side "$1" scan --port @PORT --from 1 --to 3 --json | sed -E 's/"seconds": [0-9.]+/"seconds": T/'; }
step_row() { side "$1" row --port @PORT --type Z5 --addr 2; echo "status $?"; }
step_cmd() {
  side "$1" cmd limit1 30 --port @PORT --type Z5 --addr 2; echo "status $?"
  side "$1" cmd serial 70000 --port @PORT --type Z5 --addr 1; echo "status $?"
  registers 2 0 60; registers 1 0 60
}
step_settings() {
  side "$1" settings save --port @PORT --type Z5 --addr 1 --folder . ; echo "status $?"
  files_of "$work/$1"
  local saved; saved=$(cd "$work/$1" && ls *.set | head -1)
  cp "$work/$1/$saved" "$work/kept-$1.set"
  side "$1" cmd limit2 40 --port @PORT --type Z5 --addr 1 >/dev/null
  side "$1" settings write "$saved" --port @PORT --type Z5 --addr 1; echo "status $?"
  registers 1 0 100
}
# Each side reads the file the other side wrote: compared equal with the
# detector it came from, and written back into it.
step_settings_across() {
  local other=linux; [ "$1" = linux ] && other=windows
  cp "$work/kept-$other.set" "$work/$1/other.set"
  side "$1" settings compare other.set --port @PORT --type Z5 --addr 1; echo "status $?"
  side "$1" cmd limit2 40 --port @PORT --type Z5 --addr 1 >/dev/null
  side "$1" settings write other.set --port @PORT --type Z5 --addr 1; echo "status $?"
  registers 1 0 100
}
table() {
  printf 'Serial_number=%s   Modbus_number=%d   Gas=Methane\r\n' "$1" "$2"
  for n in 7 6 5 4 3 2 1 0; do
    printf 'T[%d]=%d  D[%2d]=%d  K3[%2d]=0.25  K2[%2d]=-2  K1[%2d]=1\r\n' $n $((-400 + 10 * n)) $n $((500 - n)) $n $n $n
  done
}
step_write_tab() {
  table 1 1 >"$work/$1/a.tab"
  table 1 2 >"$work/$1/b.tab"
  # Files not named by a serial number: the operator names the detectors' (the simulator's KVELT at 1 and 2).
  side "$1" write-tab a.tab b.tab --serial 2400001,24002 --port @PORT; echo "status $?"
  registers 1 24 120; registers 2 24 120
}
step_calc() {
  "$LB/tests/write_run_files" "$work/$1" 5100001:1 5100002:2
  side "$1" calc --type Z5 --write --port @PORT --report . --journal . 5100001_0.grad 5100002_0.grad
  echo "status $?"
  files_of "$work/$1"
  registers 1 0 200; registers 2 0 200
}
# Ctrl-C ends a recording cleanly; a kill leaves only whole lines.
step_record() {
  local s=$1 run pid
  mkdir -p "$work/$s/rec"
  for run in int kill; do
    if [ "$s" = linux ]; then
      (cd "$work/$s" && exec "$LB/tools/kvlctl" record --port "$pty" --type Z5 --addr 1,2 --period 0.2 --folder rec \
         >"$work/$s.rec.out" 2>"$work/$s.rec.err") &
    else
      (cd "$work/$s" && exec wine "$WB/tools/kvlctl.exe" record --port COM5 --type Z5 --addr 1,2 --period 0.2 --folder rec \
         >"$work/$s.rec.out" 2>"$work/$s.rec.err") &
    fi
    pid=$!
    for _ in $(seq 100); do [ "$(grep -c recorded "$work/$s.rec.out" 2>/dev/null)" -ge 8 ] && break; sleep 0.2; done
    if [ $run = int ]; then kill -INT $pid; else kill -KILL $pid; fi
    { wait $pid; } 2>/dev/null
    echo "$run: status $? $(tr -d '\r' <"$work/$s.rec.err" | grep -o 'series [0-9]*, [0-9]* failed' | head -1)"
  done
  (cd "$work/$s/rec" && for f in $(ls | sort); do
     # Whole CR LF lines only; the header lines as written (times masked), the
     # data lines' shape: time and nine fields.
     echo "== $f whole=$(LC_ALL=C awk 'END{print (substr($0,length($0))=="\r") ? "yes" : "no"}' "$f")"
     LC_ALL=C grep -v -E '^[0-9]{2}:[0-9]{2}:[0-9]{2}' "$f" | sed -E 's/[0-9]{2}\.[0-9]{2}\.[0-9]{4}/DATE/g' | od -c | head -40
     LC_ALL=C grep -E '^[0-9]{2}:[0-9]{2}:[0-9]{2}' "$f" | awk '{print NF}' | sort -u | sed 's/^/fields /'
   done)
}

echo "kvlctl.exe under Wine vs kvlctl on Linux, one fresh simulated bus per side"
compare "scan (Z5 x3)" step_scan --type Z5 --count 3
compare "row (Z5)" step_row --type Z5 --count 2
compare "cmd limit1, serial" step_cmd --type Z5 --count 2
compare "settings save/compare/write" step_settings --type Z5 --count 2
compare "settings file read across" step_settings_across --type Z5 --count 2
compare "write-tab (KVELT x2)" step_write_tab --type KVELT --count 2
compare "calc --write (Z5 x2)" step_calc --type Z5 --count 2
compare "record, Ctrl-C and a kill" step_record --type Z5 --count 2
# The poll cycle against the waits the link mandates (20 detectors, one
# 8-byte read request each at 9600 baud: RTS 20 characters before the frame,
# 3 + 8 after it, 10 ms after the answer), as bench_poll_cycle measures it.
poll_ms() {  # side cycles -> wall ms
  local t0 t1
  t0=$(date +%s%N)
  side "$1" poll --port @PORT --addr "$(seq -s, 1 20)" --requests 0:16 --cycles "$2" >/dev/null
  t1=$(date +%s%N)
  echo $(((t1 - t0) / 1000000))
}
fresh_bus --type KVELT --count 20
mandated=$((20 * (20 + 11 + 10)))
for s in linux windows; do
  short=$(poll_ms $s 2); long=$(poll_ms $s 12)
  awk -v s=$s -v a="$short" -v b="$long" -v m=$mandated 'BEGIN {
    c = (b - a) / 10; printf "%-34s %.1f ms per cycle, mandated %d ms, ratio %.3f\n", "poll cycle (" s ")", c, m, c / m }'
done

[ "$failures" -eq 0 ] && echo "all comparisons the same" || echo "$failures comparison(s) differ"
[ "$failures" -eq 0 ]
