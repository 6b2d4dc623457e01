#!/usr/bin/env bash
# The program's main job on a machine without a pen: builds what is needed,
# starts the pen simulator with a handful of codes on a pseudo-terminal, and
# runs the console read-out (/S, listing mode) against it.
#   scripts/demo.sh          the native program
#   scripts/demo.sh --wine   the Windows program under Wine, same simulator
#   scripts/demo.sh --window the Windows program's main window under Wine on
#                            your display, its port set to the simulator's
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
wine_mode=false
window_mode=false
[ "${1:-}" = --wine ] && wine_mode=true
[ "${1:-}" = --window ] && wine_mode=true && window_mode=true

scripts/install-deps.sh
echo "building..."
if $wine_mode; then
  # The Windows program, and the native simulator and pty shim of its host
  # sub-build.
  cmake --preset windows >/dev/null
  cmake --build --preset windows --target stylorix stylorix_host >/dev/null
  pensim=$root/build/windows/host/tools/pensim
  shim=$root/build/windows/host/tests/ptyshim/libstylorix_ptyshim.so
else
  cmake --preset linux >/dev/null
  cmake --build --preset linux --target stylorix pensim >/dev/null
  pensim=$root/build/linux/tools/pensim
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/stylorix-demo.XXXXXX")
sim_pid=
com_link=
own_wineserver=false
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  [ -n "$com_link" ] && rm -f "$com_link"
  # Only a server this demo started; it ends with its object dump, which
  # goes where its output went: nowhere.
  if $own_wineserver; then wineserver -k >/dev/null 2>&1 || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

"$pensim" --code A:4006381333931 --code E:96385074 --code C:STYLORIX-42 \
  --code 66:"Pen;demo" --state "$work/pen.state" >"$work/sim.out" &
sim_pid=$!
for _ in $(seq 100); do [ -s "$work/sim.out" ] && break; sleep 0.05; done
pty=$(head -1 "$work/sim.out")
echo "pen simulator on $pty (2400 baud pacing)"

if $wine_mode; then
  export WINEPREFIX=$root/build/windows/wineprefix WINEDEBUG=-all
  scripts/wine-prefix >/dev/null
  # The Wine server and Wine's background programs inherit the output of
  # whoever starts them: start them here with their output discarded.
  if wineserver -p >/dev/null 2>&1; then own_wineserver=true; fi
  scripts/wine-run cmd /c exit </dev/null >/dev/null 2>&1 || true
  n=$(( ${pty##*/} % 38 + 2 ))  # COM2 to COM39: never COM1, the console under Wine
  com_link=$WINEPREFIX/dosdevices/com$n
  ln -sfn "$pty" "$com_link"
  if $window_mode; then
    # The prefix's own settings, never yours: the window starts on the simulator's port.
    wine reg add 'HKCU\Software\QM\Stylorix\Einstell' /v Comport /d "COM$n" /f >/dev/null 2>&1
    echo "\$ wine Stylorix.exe    (port COM$n; close the window to end the demo)"
    LD_PRELOAD=$shim wine build/windows/app/Stylorix.exe
    exit 0
  fi
  echo "\$ wine Stylorix.exe /S /P:COM$n"
  LD_PRELOAD=$shim wine build/windows/app/Stylorix.exe /S /P:COM$n | tr -d '\r'
else
  # Private settings and archive folders: the demo changes neither the user's
  # port nor their archive of downloads.
  export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
  echo "\$ stylorix /S /P:$pty"
  build/linux/app/stylorix /S /P:"$pty"
fi
