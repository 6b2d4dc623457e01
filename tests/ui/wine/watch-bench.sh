#!/usr/bin/env bash
# Prints figures of the real window's watch under Wine against the pen
# simulator (no pass or fail), hidden in the notification area with the
# automatic download and otherwise default settings:
#   reaction  pens put in at random moments of the look pace: the time from
#             the pen put in to its codes in the archive and to the sleep
#             command answered (the download's end), min, median and max, and
#             the same from the start of the look that read it; beside them
#             the protocol's lower bound (per command the reply's time on the
#             wire, 11 bits a byte at 2400 baud, rounded up to the next 500 ms
#             look; from the look's start also its settling wait), and for a
#             pen put in the same plus up to one pace
#   share     with no pen, the share of time the window holds the port open,
#             the looks it made and how long each held it
#   cpu       the window process's CPU share with no pen, and with a pen
#             that stays in the station (read once, then only looked at)
#   soak      pens put in and taken out at the simulator's full pace, with the
#             process's handles, GUI objects and memory as Wine tells them
#             (uidriver resources) and as Linux does (open files, resident
#             memory, its peak and its anonymous part), before and every 50
#             dockings
#   tests/ui/wine/watch-bench.sh [SECTION...]   (default: reaction share cpu)
# Environment: DOCKINGS (10), SHARE_SECONDS (60), CPU_SECONDS (60), SOAK (200);
# UI_PREFIX names a prefix of the bench's own, to run beside the tests.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
ui_need_display "$@"
sections=("$@")
[ ${#sections[@]} -gt 0 ] || sections=(reaction share cpu)
ui_wine_up
ui_dpi 96
ui_local_data
archive=$ui_local_dir/Stylorix/Archiv
logger=
trap '[ -z "$logger" ] || kill "$logger" 2>/dev/null; rm -rf "$ui_local_dir/Stylorix"; ui_wine_down' EXIT
drv atom warm >/dev/null # the server and the desktop are up before the clock starts

pace=3.0 look=0.5 settle=0.25
# Seconds a reply of N bytes takes on the wire, rounded up to the next look.
looks() { awk -v b="$1" -v l=$look 'BEGIN { w = b * 11 / 2400; n = int(w / l); if (n * l < w - 1e-9) n++; if (n < 1) n = 1; print n * l }'; }
stats() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { printf "%6.2f %6.2f %6.2f", v[1], v[int((NR + 1) / 2)], v[NR] }'; }
now() { echo "$EPOCHREALTIME"; }

# The window hidden from its start, watching the simulator's station.
watch_start() {
  rm -rf "$ui_local_dir/Stylorix"
  settings Comport REG_SZ "$ui_port" StartMin REG_SZ 1 TrayMin REG_SZ 1 TrayAuto REG_SZ 1
  ui_start
  drv wait-made 30000 >/dev/null
  pid=$(ui_program_pid)
  pty=$(head -1 "$ui_work/sim.out")
}
watch_end() {
  ui_close
  ui_sim_stop
}
# Whether the program holds the simulator's terminal open (builtins only:
# polled every few milliseconds).
held() {
  local f
  for f in "/proc/$pid/fd/"*; do [[ $f -ef $pty ]] && return 0; done
  return 1
}
free() { ! held; }
archived_bytes() { cat "$archive"/*.csv 2>/dev/null | wc -c || true; }

# With the pen out: a look that found the station empty (its wake-up
# unanswered), so that the pen put back counts as a new docking.
await_empty_look() {
  local before
  before=$(ui_sim_state empty_wakes)
  ui_until "a look at the empty station" eval '[ "$(ui_sim_state empty_wakes)" -gt '"$before"' ]'
}

# Prints the time once the command succeeds, polled every 5 ms.
time_when() {
  until "$@"; do sleep 0.005; done
  now
}
archive_grew() { [ "$(archived_bytes)" -gt "$1" ]; }
pen_asleep() { [ "$(ui_sim_state sleeps)" -gt "$1" ]; }

# Logs the port's openings and closings with their times ("TIME 1", "TIME 0").
port_log() {
  local was=0 is
  while :; do
    held && is=1 || is=0
    [ $is = $was ] || echo "$(now) $is"
    was=$is
    sleep 0.005
  done
}

section_reaction() {
  local n=${DOCKINGS:-10} codes=3 i log
  ui_sim --generate $codes --pace real --out
  watch_start
  log=$ui_work/port.log
  port_log >"$log" &
  logger=$!
  local to_archive=() to_sleep=() look_archive=() look_sleep=()
  for i in $(seq "$n"); do
    ui_pen out
    await_empty_look
    local t_empty bytes0 sleeps0 t_in t_arch t_sleep t_open
    t_empty=$(now)
    sleep "$(awk -v r=$RANDOM -v p=$pace 'BEGIN { print r / 32768 * p }')"
    bytes0=$(archived_bytes)
    sleeps0=$(ui_sim_state sleeps)
    t_in=$(now)
    ui_pen in
    t_arch=$(time_when archive_grew "$bytes0")
    t_sleep=$(time_when pen_asleep "$sleeps0")
    to_archive+=("$(awk -v a="$t_arch" -v b="$t_in" 'BEGIN { print a - b }')")
    to_sleep+=("$(awk -v a="$t_sleep" -v b="$t_in" 'BEGIN { print a - b }')")
    # The look that read it: the port's last opening before the archive grew,
    # after the look that found the station empty (none where the port stays
    # open between looks).
    t_open=$(awk -v t="$t_arch" -v e="$t_empty" '$2 == 1 && $1 > e && $1 < t { o = $1 } END { print o }' "$log")
    [ -n "$t_open" ] || continue
    look_archive+=("$(awk -v a="$t_arch" -v b="$t_open" 'BEGIN { print a - b }')")
    look_sleep+=("$(awk -v a="$t_sleep" -v b="$t_open" 'BEGIN { print a - b }')")
  done
  kill "$logger"
  wait "$logger" 2>/dev/null || true
  logger=
  watch_end
  # The look's wake-up (22 bytes), the codes (16 + 15 a code of 13 digits);
  # then two parameter replies, and the sleep frame, which the simulator
  # counts as it answers (3 bytes on the wire), before the program's look at
  # the reply. A look settles the lines first; a pen put in meets the next
  # wake-up frame, up to a pace later.
  local archive_bound sleep_bound
  archive_bound=$(awk -v a="$(looks 22)" -v b="$(looks $((16 + 15 * codes)))" 'BEGIN { print a + b }')
  sleep_bound=$(awk -v c="$archive_bound" -v p="$(looks 60)" -v q="$(looks 60)" 'BEGIN { print c + p + q + 3 * 11 / 2400 }')
  range() { awk -v b="$1" -v p=$pace 'BEGIN { printf "%.2f .. %.2f", b, b + p }'; }
  echo "reaction, $n dockings of a pen with $codes codes at 2400 baud, put in at random moments"
  echo "of the ${pace} s look pace (polled every 5 ms):"
  printf '  %-36s %6s %6s %6s   %s\n' "" min median max "bound (s)"
  printf '  %-36s %s   %s\n' "pen in -> codes in the archive" "$(stats "${to_archive[@]}")" "$(range "$archive_bound")"
  printf '  %-36s %s   %s\n' "pen in -> sleep answered" "$(stats "${to_sleep[@]}")" "$(range "$sleep_bound")"
  [ ${#look_archive[@]} -gt 0 ] || return 0
  printf '  %-36s %s   %.2f\n' "look's start -> codes in the archive" "$(stats "${look_archive[@]}")" \
    "$(awk -v s=$settle -v b="$archive_bound" 'BEGIN { print s + b }')"
  printf '  %-36s %s   %.2f\n' "look's start -> sleep answered" "$(stats "${look_sleep[@]}")" \
    "$(awk -v s=$settle -v b="$sleep_bound" 'BEGIN { print s + b }')"
}

section_share() {
  local seconds=${SHARE_SECONDS:-60}
  ui_sim --generate 3 --pace real --out
  watch_start
  sleep 3 # past the start
  local samples=0 open=0 opens=0 was=0 is end
  end=$(awk -v t="$(now)" -v s="$seconds" 'BEGIN { printf "%.6f", t + s }')
  while awk -v t="$(now)" -v e="$end" 'BEGIN { exit !(t < e) }'; do
    held && is=1 || is=0
    samples=$((samples + 1)) open=$((open + is))
    [ $was = 0 ] && [ $is = 1 ] && opens=$((opens + 1))
    was=$is
    sleep 0.05
  done
  watch_end
  awk -v n=$samples -v o=$open -v k=$opens -v s="$seconds" 'BEGIN {
    printf "port held open with no pen, %d s sampled %d times: %.1f %% of the time, %d looks (one every %.2f s), about %.2f s each\n",
      s, n, 100 * o / n, k, s / (k ? k : 1), s * o / n / (k ? k : 1) }'
}

section_cpu() {
  local seconds=${CPU_SECONDS:-60} hz c0 c1
  hz=$(getconf CLK_TCK)
  ui_sim --generate 3 --pace real --out
  watch_start
  sleep 3 # past the start
  c0=$(ui_cpu_ticks "$pid")
  sleep "$seconds"
  c1=$(ui_cpu_ticks "$pid")
  awk -v d=$((c1 - c0)) -v hz="$hz" -v s="$seconds" \
    'BEGIN { printf "CPU watching with no pen over %d s: %d ticks = %.3f %% of a core\n", s, d, 100 * d / hz / s }'
  ui_pen in
  ui_until "the read" eval '[ "$(ui_sim_state sleeps)" -ge 1 ]'
  c0=$(ui_cpu_ticks "$pid")
  sleep "$seconds"
  c1=$(ui_cpu_ticks "$pid")
  awk -v d=$((c1 - c0)) -v hz="$hz" -v s="$seconds" -v r="$(ui_sim_state reads)" -v w="$(ui_sim_state wakeups)" \
    'BEGIN { printf "CPU with a pen left in over %d s: %d ticks = %.3f %% of a core (%d read, %d wake-ups)\n", s, d, 100 * d / hz / s, r, w }'
  watch_end
}

# One line of figures: Wine's (uidriver resources) and Linux's.
resources() {
  local h g u n w p
  read -r h g u n w p < <(drv resources | awk '{ printf "%s ", $2 } END { print "" }')
  printf '  %7s %8s %5s %5s %5s %9s %9s %6s %9s %9s %9s\n' "$1" "$h" "$g" "$u" "$n" "$w" "$p" \
    "$(ls "/proc/$pid/fd" | wc -l)" "$(awk '/^VmRSS/ { print $2 }' "/proc/$pid/status")" \
    "$(awk '/^VmHWM/ { print $2 }' "/proc/$pid/status")" \
    "$(awk '/^Anonymous/ { print $2 }' "/proc/$pid/smaps_rollup")"
}

section_soak() {
  local n=${SOAK:-200} i reads sleeps
  ui_sim --generate 3 --pace full --out
  watch_start
  sleep 3 # past the start
  echo "soak: $n dockings at full pace, 1 to 20 codes each"
  echo "  (Wine's handle table, GetGuiResources, the process's windows and"
  echo "  GetProcessMemoryInfo; Linux's open files, VmRSS, VmHWM and the anonymous"
  echo "  part of the resident memory, the heaps without the mapped files)"
  printf '  %7s %8s %5s %5s %5s %9s %9s %6s %9s %9s %9s\n' docked handles gdi user wins "ws KB" "peak KB" fds "rss KB" "hwm KB" "anon KB"
  resources 0
  for i in $(seq "$n"); do
    ui_pen out
    ui_pen generate $((1 + i % 20))
    await_empty_look
    reads=$(ui_sim_state reads) sleeps=$(ui_sim_state sleeps)
    ui_pen in
    # Read, and the read's end: the pen sent to sleep.
    ui_until "read $i" eval '[ "$(ui_sim_state reads)" -gt "$reads" ] && [ "$(ui_sim_state sleeps)" -gt "$sleeps" ]'
    [ $((i % 50)) != 0 ] || resources "$i"
  done
  drv no-box
  echo "  archive: $(cat "$archive"/*.csv | wc -l) lines; simulator: $(tr '\n' ' ' <"$ui_work/sim.state")"
  watch_end
}

for s in "${sections[@]}"; do "section_$s"; done
