#!/usr/bin/env bash
# Prints figures of the real window under Wine (no pass or fail):
#   start     time from starting the program until its window is visible
#   idle CPU  the window process's CPU share while it sits idle, port closed
#   memory    the window process's peak resident memory
#   tests/ui/wine/bench.sh [IDLE_SECONDS]    (default 60)
set -euo pipefail
source "$(dirname "$0")/lib.sh"
ui_need_display "$@"
idle=${1:-60}
ui_wine_up
ui_dpi 96
settings
drv atom warm >/dev/null   # the server and the desktop are up before the clock starts

for run in 1 2 3; do
  t0=$(date +%s%N)
  ui_start
  drv wait 30000 >/dev/null
  t1=$(date +%s%N)
  echo "start to visible, run $run: $(( (t1 - t0) / 1000000 )) ms"
  [ "$run" = 3 ] || ui_close
done

pid=$(ui_program_pid)
[ -n "$pid" ] || ui_fail "no Stylorix.exe process"
hz=$(getconf CLK_TCK)
c0=$(ui_cpu_ticks "$pid")
sleep "$idle"
c1=$(ui_cpu_ticks "$pid")
awk -v d=$((c1 - c0)) -v hz="$hz" -v s="$idle" \
  'BEGIN { printf "idle CPU over %d s: %d ticks = %.3f %% of a core\n", s, d, 100 * d / hz / s }'
grep -E 'VmHWM' "/proc/$pid/status" | awk '{ printf "peak memory: %d MiB\n", $2 / 1024 }'
ui_close
