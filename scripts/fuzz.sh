#!/usr/bin/env bash
# Runs every fuzz target of the fuzz preset for the given seconds each
# (default 60) and prints the executions each one made.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
dir=build/fuzz/tests/fuzz
shopt -s nullglob
targets=("$dir"/fuzz_*)
if [ ${#targets[@]} -eq 0 ]; then
  echo "no fuzz targets built"
  exit 0
fi
status=0
for t in "${targets[@]}"; do
  [ -x "$t" ] || continue
  name=$(basename "$t")
  corpus=build/fuzz/corpus/$name
  mkdir -p "$corpus"
  seeds=tests/fuzz/seeds/${name#fuzz_}
  [ -d "$seeds" ] || seeds=
  log=build/fuzz/$name.log
  if "$t" -max_total_time="$seconds" -print_final_stats=1 "$corpus" $seeds >"$log" 2>&1; then
    echo "$name: $(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$') runs, no finding"
  else
    echo "$name: FINDING, see $log"; tail -30 "$log"; status=1
  fi
done
exit $status
