#!/usr/bin/env bash
# Prints figures of the real window under Wine (no pass or fail):
#   start     time from starting the program until its window is visible and
#             answers, for a bare window of the same size (tests/ui/BareWindow.cpp),
#             for the same that first starts and ends a thread, for the same
#             with the program's manifest and common controls, and for
#             Stylorix.exe, taking turns: min, median and max of each, and the
#             program's median against the bare one and the one with common
#             controls
#   idle CPU  the window process's CPU share while it sits idle, port closed
#   memory    the window process's peak resident memory
#   tests/ui/wine/bench.sh [IDLE_SECONDS]    (default 60; STARTS runs each, default 15)
set -euo pipefail
source "$(dirname "$0")/lib.sh"
ui_need_display "$@"
idle=${1:-60}
ui_wine_up
ui_dpi 96
settings
drv atom warm >/dev/null   # the server and the desktop are up before the clock starts

bare=${BARE:-$ui_build/tests/ui/bare_window.exe}
bare_cc=${BARE_CC:-$ui_build/tests/ui/bare_window_cc6.exe}
program=$PROGRAM
starts=${STARTS:-15}
# The driver is up and watching before the clock starts, and the machine has
# settled after its start: a driver starting alongside slowed both windows by
# some 40 ms and so hid part of the difference. It gives the moment the window
# was visible and answered.
visible_ms() {
  local exe=$1 class=$2 out watcher t0 seen
  shift 2
  out=$(mktemp)
  wine "$DRIVER" wait-stamp "$class" 30000 >"$out" 2>/dev/null &
  watcher=$!
  until grep -q ready "$out"; do
    kill -0 "$watcher" 2>/dev/null || ui_fail "the driver's watch did not start"
    sleep 0.01
  done
  sleep 0.3
  t0=$(date +%s%6N)
  PROGRAM=$exe ui_start "$@"
  wait "$watcher" || ui_fail "no $class window"
  seen=$(sed -n 2p "$out" | tr -d '\r')
  rm -f "$out"
  ui_close >/dev/null
  echo $(( (seen - t0) / 1000 ))
}
# The windows timed, in turns: file, class, argument, and the name printed.
# The program starts its serial worker before its window, hence the second.
exes=("$bare" "$bare" "$bare_cc" "$program")
classes=(StylorixBareWindow StylorixBareWindow StylorixBareWindow TFHaupt)
arguments=("" thread "" "")
names=("bare window" "bare window, a thread first" "bare window, manifest, common controls"
  "Stylorix.exe")
timed() { visible_ms "${exes[$1]}" "${classes[$1]}" ${arguments[$1]:+"${arguments[$1]}"}; }
# Each once before the clock: its files are cached.
for i in "${!exes[@]}"; do timed "$i" >/dev/null; done
times=()
for _ in $(seq "$starts"); do   # in turns, so all meet the machine's same moods
  for i in "${!exes[@]}"; do times[i]+=" $(timed "$i")"; done
done
stats() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[1], v[int((NR + 1) / 2)], v[NR] }'; }
echo "start to visible, $starts runs each:              min  median  max (ms)"
medians=()
for i in "${!exes[@]}"; do
  # shellcheck disable=SC2086  # the times are words
  read -r min med max < <(stats ${times[$i]})
  medians+=("$med")
  printf '  %-40s %5d %7d %5d\n' "${names[$i]}" "$min" "$med" "$max"
done
awk -v b="${medians[0]}" -v c="${medians[2]}" -v p="${medians[3]}" \
  'BEGIN { printf "  Stylorix.exe / bare window: %.2f;  / with common controls: %.2f\n", p / b, p / c }'

ui_open
sleep 1   # the window finishes its start just after it appears: not idle time

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
