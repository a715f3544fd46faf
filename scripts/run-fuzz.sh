#!/usr/bin/env bash
# Runs every fuzz harness built in BUILD_DIR for SECONDS each, one after the
# other, starting from the seed corpus of tests/fuzz/corpus/<harness>/ copied
# into a scratch work corpus (BUILD_DIR/fuzz-corpus/<harness>/, kept between
# runs). Whatever a harness finds (crash, leak, time-out, out of memory) is
# written to BUILD_DIR/artifacts/; the seed corpus in git is never written.
# Exit 0 when nothing was found, 1 otherwise (the findings are listed).
#   scripts/run-fuzz.sh BUILD_DIR SECONDS [HARNESS...]
# FUZZ_RUNS=N also ends each harness after N executions (the long runs).
set -uo pipefail
cd "$(dirname "$0")/.."
build=${1:?build directory}
seconds=${2:?seconds per harness}
shift 2
seeds=tests/fuzz/corpus
artifacts=$build/artifacts
mkdir -p "$artifacts"

harnesses=("$@")
if [ ${#harnesses[@]} -eq 0 ]; then
  for h in "$build"/tests/fuzz/fuzz_*; do [ -x "$h" ] && harnesses+=("$(basename "$h")"); done
fi
if [ ${#harnesses[@]} -eq 0 ]; then
  echo "run-fuzz: no harness built in $build/tests/fuzz" >&2
  exit 1
fi

# Leaks count as findings; any sanitizer report ends the run with a crash file.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:strict_string_checks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}

failed=()
for name in "${harnesses[@]}"; do
  exe=$build/tests/fuzz/$name
  work=$build/fuzz-corpus/$name
  log=$build/fuzz-logs/$name.log
  mkdir -p "$work" "$(dirname "$log")"
  if [ -d "$seeds/$name" ]; then cp -n "$seeds/$name"/* "$work"/ 2>/dev/null || true; fi
  # This harness's own findings only: another run may share the folder.
  before=$(ls "$artifacts" | grep -c "^$name-")
  # -timeout: one input taking longer is a hang; the run's own limit on top.
  runs=()
  if [ -n "${FUZZ_RUNS:-}" ]; then runs=(-runs="$FUZZ_RUNS"); fi
  "$exe" -max_total_time="$seconds" "${runs[@]}" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
         -artifact_prefix="$artifacts/$name-" "$work" >"$log" 2>&1
  rc=$?
  stats=$(grep -E '^stat::number_of_executed_units|^stat::average_exec_per_sec' "$log" | awk '{print $2}' | paste -sd' ')
  set -- $stats
  echo "$name: ${1:-?} executions, ${2:-?}/s, exit $rc"
  if [ $rc -ne 0 ] || [ "$(ls "$artifacts" | grep -c "^$name-")" -ne "$before" ]; then
    grep -E 'ERROR|runtime error|invariant broken|SUMMARY' "$log" | head -5 | sed 's/^/    /'
    for f in $(grep -oE "Test unit written to [^ ]+" "$log" | awk '{print $5}'); do echo "    found: $f"; done
    echo "    log: $log"
    failed+=("$name")
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: findings in ${failed[*]} (inputs in $artifacts/)" >&2
  exit 1
fi
echo "fuzz: nothing found"
