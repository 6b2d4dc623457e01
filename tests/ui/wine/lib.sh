# Shared by the window's Wine scripts: a virtual X display, the window tests'
# own Wine prefix with a virtual desktop (title bars, task bar, notification
# area), the program, and the driver that works it from outside.
# Environment: PROGRAM (Stylorix.exe), DRIVER (uidriver.exe), UI_WINEPREFIX;
# for cases with the pen simulator PENSIM and SHIM (the pty shim library).
# CTest names each; the scripts run by hand (benches, screenshots) get the
# windows preset's build, and a prefix of their own by UI_PREFIX (ui).
ui_here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
ui_root=$(cd "$ui_here/../../.." && pwd)
ui_build=$ui_root/build/windows
: "${PROGRAM:=$ui_build/app/Stylorix.exe}" "${DRIVER:=$ui_build/tests/ui/uidriver.exe}"
: "${UI_WINEPREFIX:=$ui_build/wineprefix-${UI_PREFIX:-ui}}"
: "${PENSIM:=$ui_build/host/tools/pensim}"
: "${SHIM:=$ui_build/host/tests/ptyshim/libstylorix_ptyshim.so}"

# Messages by their names in Windows and in the window's code (ui/Haupt.h).
WM_NULL=0 WM_CLOSE=0x10 WM_QUERYENDSESSION=0x11 WM_ENDSESSION=0x16 WM_NCACTIVATE=0x86
WM_COMMAND=0x111 WM_SYSCOMMAND=0x112 SC_MINIMIZE=0xF020
WM_TRAY=0x401 WM_LBUTTONDBLCLK=0x203 WM_RBUTTONUP=0x205 # the notification icon's mouse
WM_APP_IDENTIFY=0x8065 WM_APP_ACTIVATE=0x8066 WM_APP_HANDOVER=0x8067

# Runs the calling script again under a virtual X display, unless it has one.
: "${UI_SCREEN:=1024x768}"
ui_need_display() {
  if [ -z "${STYLORIX_UI_XVFB:-}" ]; then
    export STYLORIX_UI_XVFB=1
    exec xvfb-run -a -s "-screen 0 ${UI_SCREEN}x24 -nolisten tcp" bash "$0" "$@"
  fi
}

export WINEPREFIX=$UI_WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=

ui_wine_up() {
  "$ui_root/scripts/wine-prefix" >/dev/null
  if [ ! -f "$WINEPREFIX/.stylorix-ui-$UI_SCREEN" ]; then
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$UI_SCREEN" /f >/dev/null 2>&1
    rm -f "$WINEPREFIX"/.stylorix-ui-*
    touch "$WINEPREFIX/.stylorix-ui-$UI_SCREEN"
  fi
  trap ui_wine_down EXIT
  # The server and the desktop start here, not inside a case's first wait.
  wine "$DRIVER" wait-gone 0 >/dev/null 2>&1 || true
}

# The wine server (and with it the desktop) ends before the display does.
ui_wine_down() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  ui_sim_stop
}

# The pen simulator on a pseudo-terminal, mapped to COM2 of this prefix (its
# own, so no other test's ports are in the way); sets ui_port. Arguments go
# to the simulator, e.g. --code A:4006381333931. ui_pen works its control
# pipe, ui_sim_state reads its state file.
ui_sim() {
  ui_work=$(mktemp -d "${TMPDIR:-/tmp}/stylorix-ui.XXXXXX")
  "$PENSIM" --state "$ui_work/sim.state" --control "$ui_work/control" "$@" \
    >"$ui_work/sim.out" 2>"$ui_work/sim.err" &
  ui_sim_pid=$!
  for _ in $(seq 100); do
    [ -s "$ui_work/sim.out" ] && break
    sleep 0.05
  done
  local pty
  pty=$(head -1 "$ui_work/sim.out")
  [ -e "$pty" ] || ui_fail "simulator did not start: $(cat "$ui_work/sim.err")"
  ln -sfn "$pty" "$WINEPREFIX/dosdevices/com2"
  ui_port=COM2
}

# The user's local application data, as Windows names it (ui_local_win) and
# on this side (ui_local_dir); the download archive is in Stylorix\Archiv.
ui_local_data() {
  ui_local_win=$(wine cmd /c 'echo %LOCALAPPDATA%' 2>/dev/null | tr -d '\r')
  ui_local_dir=$(winepath -u "$ui_local_win" 2>/dev/null)
  [ -d "$ui_local_dir" ] || ui_fail "no local application data: [$ui_local_win]"
}

# ui_pen out | in | codes SYM:TEXT ... | generate N
ui_pen() { echo "$*" >"$ui_work/control"; }
ui_sim_state() { grep "^$1=" "$ui_work/sim.state" | cut -d= -f2; }

# Whether the program holds the simulator's terminal open.
ui_holds_port() {
  local pty
  pty=$(head -1 "$ui_work/sim.out")
  ls -l "/proc/$(ui_program_pid)/fd" 2>/dev/null | grep -qE -- "-> $pty( \(deleted\))?\$"
}

# Ends the simulator of ui_sim and removes its port.
ui_sim_stop() {
  if [ -n "${ui_sim_pid:-}" ]; then
    kill "$ui_sim_pid" 2>/dev/null || true
    wait "$ui_sim_pid" 2>/dev/null || true
  fi
  if [ -n "${ui_work:-}" ]; then
    rm -f "$WINEPREFIX/dosdevices/com2"
    rm -rf "$ui_work"
  fi
  ui_sim_pid= ui_work=
}

ui_dpi() {
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
}

ui_fail() { echo "FAIL [${ui_case:-}]: $*" >&2; exit 1; }

# ui_until WHAT COMMAND...: waits until the command succeeds; the bound
# (UI_UNTIL seconds, default 60) only catches a hang.
ui_until() {
  local what=$1 end=$((SECONDS + ${UI_UNTIL:-60}))
  shift
  until "$@"; do
    [ $SECONDS -lt $end ] || ui_fail "timed out waiting for $what"
    sleep 0.1
  done
}

# The driver; its own waits are bounded, the outer bound catches a hang.
drv() { timeout 60 wine "$DRIVER" "$@" || ui_fail "driver: $*"; }

# expect WANTED DRIVER-COMMAND...
expect() {
  local want=$1 got
  shift
  got=$(drv "$@") || ui_fail "driver: $*"
  [ "$got" = "$want" ] || ui_fail "$*: wanted [$want], got [$got]"
}

# Settings: none, then the given values (NAME TYPE DATA ...).
settings() {
  wine reg delete 'HKCU\Software\QM\Stylorix' /f >/dev/null 2>&1 || true
  while [ $# -ge 3 ]; do
    wine reg add 'HKCU\Software\QM\Stylorix\Einstell' /v "$1" /t "$2" /d "$3" /f >/dev/null 2>&1
    shift 3
  done
}

stored() {
  wine reg query 'HKCU\Software\QM\Stylorix\Einstell' /v "$1" 2>/dev/null | tr -d '\r' |
    awk -v n="$1" '$1 == n { $1 = ""; $2 = ""; sub(/^  */, ""); print }'
}

# The program, with the arguments given; with the pty shim, which gives Wine
# the modem lines and parity of a real port on the simulator's pseudo-terminal.
ui_start() {
  LD_PRELOAD=${SHIM:-} wine "$PROGRAM" "$@" >/dev/null 2>&1 &
  ui_pid=$!
}

# The processes naming Stylorix.exe in this prefix (not another's), the
# one with the most memory first.
ui_program_pids() {
  local pid rss
  ps -eo pid=,rss=,args= | grep -i '[s]tylorix\.exe' | sort -k2 -n -r |
    while read -r pid rss _; do
      if tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX"; then
        echo "$pid"
      fi
    done
}

# For figures: the program's own process (of those, the one with the most
# memory; the others are Wine's short-lived launchers), and a process's CPU
# time in clock ticks.
ui_program_pid() {
  local pids
  pids=$(ui_program_pids)
  echo "${pids%%$'\n'*}"
}
ui_cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

# The program's exit: waits for the window to go and the process to end.
ui_ended() {
  drv wait-gone || ui_fail "the window stays"
  wait "$ui_pid" || true
}

# The program started and its window up.
ui_open() {
  ui_start
  drv wait >/dev/null
}

# Closed as by the window's close box, and ended.
ui_close() {
  drv post $WM_CLOSE 0 0
  ui_ended
}

# Waits until the window has handled everything posted to it so far.
ui_sync() { drv send $WM_NULL 0 0 >/dev/null; }
