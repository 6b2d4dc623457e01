#!/usr/bin/env bash
# Prints figures of the real window's download under Wine against the pen
# simulator at the station's real pace (no pass or fail):
#   wall      from the click on "Download" to the success box
#   bound     the protocol's lower bound: the 500 ms settling wait, then per
#             command the reply's time on the wire (11 bits a byte at 2400
#             baud) rounded up to the next 500 ms look
#   cpu       the window process's CPU time over the wall time
# and the time the real list takes to show 200 codes.
#   tests/ui/wine/download-bench.sh [COUNT...]     (default 1 50 200)
set -euo pipefail
source "$(dirname "$0")/lib.sh"
ui_need_display "$@"
counts=("${@:-}")
[ -n "${counts[0]}" ] || counts=(1 50 200)
ui_wine_up
ui_dpi 96
drv atom warm >/dev/null   # the server and the desktop are up before the clock starts

# Seconds a reply takes on the wire, rounded up to the next look.
looks() { awk -v b="$1" 'BEGIN { w = b * 11 / 2400; n = int(w / 0.5); if (n * 0.5 < w - 1e-9) n++; if (n < 1) n = 1; print n * 0.5 }'; }

hz=$(getconf CLK_TCK)
printf '%6s %8s %8s %7s %7s\n' codes "wall s" "bound s" ratio "cpu %"
for n in "${counts[@]}"; do
  ui_sim --generate "$n" --pace real
  settings Comport REG_SZ "$ui_port"
  ui_start
  drv wait 30000 >/dev/null
  pid=$(ui_program_pid)
  c0=$(ui_cpu_ticks "$pid")
  t0=$(date +%s%N)
  drv click BDownload
  drv box 120000 >/dev/null
  t1=$(date +%s%N)
  c1=$(ui_cpu_ticks "$pid")
  drv press OK
  # Wake-up 22 bytes, codes 16 + 15 a code (13 digits), two parameter
  # replies well under one look each, sleep 3 bytes.
  bound=$(awk -v s=0.5 -v a="$(looks 22)" -v b="$(looks $((16 + 15 * n)))" -v c="$(looks 60)" \
    -v d="$(looks 60)" -v e="$(looks 3)" 'BEGIN { print s + a + b + c + d + e }')
  awk -v n="$n" -v w=$((t1 - t0)) -v b="$bound" -v c=$((c1 - c0)) -v hz="$hz" \
    'BEGIN { ws = w / 1e9; printf "%6d %8.2f %8.2f %7.3f %7.1f\n", n, ws, b, ws / b, 100 * c / hz / ws }'
  ui_close
  ui_sim_stop
done
wine "$ui_build/tests/ui/listfill_bench.exe"
