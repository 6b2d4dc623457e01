#!/usr/bin/env bash
# The real Stylorix.exe under Wine watching the pen simulator's station from
# the notification area, as a user leaves it: pens put in, left in, taken out
# (also in the middle of a read), a station that goes and comes back, a
# minimised start and a second start. Worked from outside by the project's
# own driver; the simulator's control pipe moves the pen.
#   watch-wine.sh CASE
# Environment as download-wine.sh.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
ui_need_display "$@"
ui_case=$1
ui_wine_up
ui_dpi 96

work=$(mktemp -d "${TMPDIR:-/tmp}/stylorix-watch.XXXXXX")
ui_local_data
archive=$ui_local_dir/Stylorix/Archiv
trap 'rm -rf "$work" "$ui_local_dir/Stylorix"; ui_wine_down' EXIT
rm -rf "$ui_local_dir/Stylorix"

# Conditions for ui_until; the driver unwrapped, as a miss is no failure.
sim_is() { [ "$(ui_sim_state "$1")" = "$2" ]; }
sim_over() { [ "$(ui_sim_state "$1")" -gt "$2" ]; }
shows() { [ "$(timeout 60 wine "$DRIVER" "${@:2}" 2>/dev/null)" = "$1" ]; }
port_free() { ! ui_holds_port; }

# With the pen out: a look that found the station empty (its wake-up
# unanswered), so that the pen put back counts as a new docking.
await_empty_look() {
  local before
  before=$(ui_sim_state empty_wakes)
  ui_until "a look at the empty station" sim_over empty_wakes "$before"
}

# Hidden into the notification area as by the minimise button.
hide() {
  drv post $WM_SYSCOMMAND $SC_MINIMIZE 0
  ui_sync
  expect "hidden" state
}

# The balloon says it (one shows for about 10 s; a newer one replaces it).
balloon() {
  local got= end=$((SECONDS + 60))
  until [ "$got" = "$1" ]; do
    [ $SECONDS -lt $end ] || ui_fail "balloon: wanted [$1], last [$got]"
    got=$(timeout 60 wine "$DRIVER" balloon 0 2>/dev/null) || sleep 0.1
  done
}

# The archive's lines without their time stamps, "|" for the CR LF.
archived() { cut -d';' -f2- "$archive"/*.csv | sed 's/\r$/|/' | tr -d '\n'; }
# Every line stamped as a time of this month's file.
stamps_fit() {
  local file
  file=$(ls "$archive")
  ! cut -c1-20 "$archive/$file" | grep -qvE "^${file%.csv}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2};\$" ||
    ui_fail "stamps: $(cut -c1-20 "$archive/$file" | sort -u)"
}

# Pens put in, left in, taken out and put back while hidden; then shown.
case_read() {
  ui_sim --code A:4006381333931 --code E:96385074 --code C:STYLORIX-42 --uploads 5 --pace full --out
  settings Comport REG_SZ "$ui_port" Timeout REG_DWORD 2 TrayMin REG_SZ 1 TrayAuto REG_SZ 1 \
    DownDel REG_SZ 1
  ui_open
  hide
  expect "green" traylamp
  expect "Stylorix Control" tip

  # Put in: read, archived and cleared without a box; the icon and its
  # balloon and tip tell it.
  ui_pen in
  ui_until "the read" sim_is sleeps 1
  balloon $'3 Barcodes gelesen.\nDer Pen wurde gelöscht.'
  expect "Stylorix Control: 3 Barcodes gelesen." tip
  expect "green" traylamp
  drv no-box
  [ "$(ui_sim_state codes_left) $(ui_sim_state deletes)" = "0 1" ] || ui_fail "not cleared once"
  [ "$(archived)" = 'PEN00042;5;65;4006381333931|PEN00042;5;69;96385074|PEN00042;5;67;STYLORIX-42|' ] ||
    ui_fail "archive: $(archived)"
  stamps_fit

  # Left in: only sent back to sleep at each look.
  ui_until "three more looks" sim_over sleeps 3
  [ "$(ui_sim_state reads) $(ui_sim_state deletes)" = "1 1" ] || ui_fail "read again while docked"

  # Taken out, seen out, given new codes and put back: read again.
  ui_pen out
  ui_pen codes B:NEW-1 C:NEW-2
  await_empty_look
  ui_pen in
  ui_until "the second read" sim_is deletes 2
  balloon $'2 Barcodes gelesen.\nDer Pen wurde gelöscht.'
  expect "Stylorix Control: 2 Barcodes gelesen." tip
  [ "$(ui_sim_state reads)" = 2 ] || ui_fail "reads: $(ui_sim_state reads)"
  [ "$(archived)" = 'PEN00042;5;65;4006381333931|PEN00042;5;69;96385074|PEN00042;5;67;STYLORIX-42|PEN00042;6;66;NEW-1|PEN00042;6;67;NEW-2|' ] ||
    ui_fail "archive: $(archived)"
  stamps_fit

  # Shown by the activation message: the last read listed, the watch over.
  drv post $WM_APP_ACTIVATE 0 0
  ui_sync
  expect "shown" state
  expect "none" traylamp
  expect $'NEW-1|0x42|Code 39, Code 32|OK|\nNEW-2|0x43|Codabar|OK|' rows ListView1
  local wakeups
  wakeups=$(ui_sim_state wakeups)
  sleep 5 # two and a half looks' pace
  [ "$(ui_sim_state wakeups)" = "$wakeups" ] || ui_fail "still looking: $(cat "$ui_work/sim.state")"
  port_free || ui_fail "the port stays open"
  drv no-box
  ui_close
}

# "minimiert starten": hidden and watching with "in Tray minimieren",
# otherwise minimised. A second start shows the first window and ends; a
# console run is never held back.
case_start() {
  ui_sim --code A:123 --code B:456 --pace full
  settings Comport REG_SZ "$ui_port" Timeout REG_DWORD 2 StartMin REG_SZ 1 TrayMin REG_SZ 1 \
    TrayAuto REG_SZ 1
  ui_start
  drv wait-made 30000 >/dev/null
  expect "hidden" state
  # The pen in the station is read at the first look (not cleared: no
  # DownDel).
  ui_until "the read" sim_is sleeps 1
  ui_until "the green icon" shows green traylamp
  expect "Stylorix Control: 2 Barcodes gelesen." tip
  [ "$(ui_sim_state codes_left)" = 2 ] || ui_fail "cleared"

  local rc=0 t0
  t0=$(date +%s%N)
  timeout 60 wine "$PROGRAM" >"$work/second.out" 2>&1 || rc=$?
  [ "$rc" = 0 ] || ui_fail "the second start ended with $rc: $(cat "$work/second.out")"
  echo "the second start ended after $((($(date +%s%N) - t0) / 1000000)) ms"
  expect "shown" state
  expect "1" windows
  [ "$(ui_program_pids | wc -l)" = 1 ] || ui_fail "processes: $(ui_program_pids)"

  # Console runs beside the window: the usage, and a read of the station
  # (the shown window leaves the port alone, once a look that was running
  # when it was shown has ended).
  ui_until "the port free" port_free
  rc=0
  timeout 60 wine "$PROGRAM" '/?' >"$work/usage.out" 2>&1 || rc=$?
  [ "$rc" = 1 ] && grep -q '^Usage: Stylorix.exe' "$work/usage.out" ||
    ui_fail "/? ended with $rc: $(cat "$work/usage.out")"
  rc=0
  LD_PRELOAD=$SHIM timeout 60 wine "$PROGRAM" /S /P:COM2 </dev/null >"$work/console.out" 2>&1 || rc=$?
  [ "$rc" = 0 ] && [ "$(grep -c '^6[56];[0-9]*' "$work/console.out")" = 2 ] ||
    ui_fail "the console read ended with $rc: $(cat "$work/console.out")"
  expect "1" windows
  expect "shown" state
  ui_close

  # Without "in Tray minimieren": minimised on the task bar, not watching.
  settings Comport REG_SZ "$ui_port" StartMin REG_SZ 1 TrayAuto REG_SZ 1
  ui_start
  drv wait-made 30000 >/dev/null
  ui_until "the minimised window" shows minimised state
  ui_close
}

# The pen taken out in the middle of a long read: red, nothing cleared, and
# read whole once it is back.
case_pen_out() {
  ui_sim --generate 200 --pace real
  settings Comport REG_SZ "$ui_port" Timeout REG_DWORD 2 TrayMin REG_SZ 1 TrayAuto REG_SZ 1 \
    DownDel REG_SZ 1
  ui_open
  hide
  ui_until "the read" sim_is reads 1
  expect "yellow" traylamp
  ui_pen out
  ui_until "the failure" shows red traylamp
  balloon $'Die Barcodes konnten nicht gelesen werden.\nDer Pen wurde nicht gelöscht.'
  expect "Stylorix Control: Die Barcodes konnten nicht gelesen werden." tip
  [ "$(ui_sim_state codes_left) $(ui_sim_state deletes)" = "200 0" ] || ui_fail "cleared"
  drv no-box

  await_empty_look
  expect "red" traylamp # until a good read
  ui_pen in
  ui_until "the second read" sim_is deletes 1
  balloon $'200 Barcodes gelesen.\nDer Pen wurde gelöscht.'
  expect "green" traylamp
  # The codes of the whole read, behind whatever the broken one brought.
  local n wanted=
  for n in $(seq 0 199); do wanted+=$(printf 'PEN00042;1;65;4006%09d|' $((381333 + n * 7919))); done
  [ "$(archived | tail -c ${#wanted})" = "$wanted" ] || ui_fail "archive: $(archived | tail -c 200)"
  ! archived | tr '|' '\n' | head -n -200 | grep -qv '^PEN00042;0;65;' || ui_fail "archive: $(archived)"
  drv no-box
  ui_close
}

# The station's adapter gone and back, and a reply with a wrong check byte.
case_station() {
  ui_sim --code A:111 --pace full
  settings Comport REG_SZ "$ui_port" Timeout REG_DWORD 2 TrayMin REG_SZ 1 TrayAuto REG_SZ 1 \
    DownDel REG_SZ 1
  ui_open
  hide
  ui_until "the read" sim_is sleeps 1
  balloon $'1 Barcodes gelesen.\nDer Pen wurde gelöscht.'
  ui_sim_stop
  ui_until "the station missed" shows "Stylorix Control: Lesestation COM2 nicht erreichbar" tip
  expect "green" traylamp
  drv no-box

  # Back with another pen in it: read at once.
  ui_sim --code B:222 --code C:333 --pace full
  ui_until "the read" sim_is sleeps 1
  balloon $'2 Barcodes gelesen.\nDer Pen wurde gelöscht.'
  [ "$(archived)" = 'PEN00042;0;65;111|PEN00042;0;66;222|PEN00042;0;67;333|' ] ||
    ui_fail "archive: $(archived)"

  # A reply that does not check: red, not cleared, and a pen left in is
  # not read again. (A station back before a look missed it holds the same
  # docking.)
  ui_sim_stop
  ui_until "the station missed" shows "Stylorix Control: Lesestation COM2 nicht erreichbar" tip
  ui_sim --code D:444 --fault badcheck@codes --pace full
  ui_until "the read" sim_is reads 1
  balloon $'Die Barcodes konnten nicht gelesen werden.\nDer Pen wurde nicht gelöscht.'
  expect "red" traylamp
  ui_until "two more looks" sim_over sleeps 1
  [ "$(ui_sim_state reads) $(ui_sim_state deletes) $(ui_sim_state codes_left)" = "1 0 1" ] ||
    ui_fail "$(cat "$ui_work/sim.state")"
  expect "red" traylamp
  [ "$(archived)" = 'PEN00042;0;65;111|PEN00042;0;66;222|PEN00042;0;67;333|' ] ||
    ui_fail "archive: $(archived)"
  drv no-box
  ui_close
}

"case_${ui_case//-/_}"
echo "PASS [$ui_case]"
