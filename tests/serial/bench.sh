#!/usr/bin/env bash
# CPU and memory of the serial component, natively and under Wine (see
# SerialBench.cpp), and under Wine the system's own event wait (CommWaitBench.cpp).
#   tests/serial/bench.sh [seconds per phase]
# Builds the linux and windows presets' bench targets in build/serial-bench-*.
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-10}

cmake --preset linux -B build/serial-bench-linux >/dev/null
cmake --build build/serial-bench-linux --target serial_bench serial_ptyhost stylorix_ptyshim -j2 >/dev/null
echo "== native (POSIX driver)"
b=build/serial-bench-linux/tests
"$b/ptyshim/serial_ptyhost" --shim "$b/ptyshim/libstylorix_ptyshim.so" -- "$b/serial/serial_bench" "$seconds"

# The host and the shim come from the Windows build's host sub-build.
cmake --preset windows -B build/serial-bench-windows >/dev/null
cmake --build build/serial-bench-windows --target serial_bench comm_wait_bench stylorix_host -j2 >/dev/null
echo "== Windows program under Wine (Win32 driver)"
export WINEPREFIX=${WINEPREFIX:-$PWD/build/windows/wineprefix} WINEDEBUG=-all
h=build/serial-bench-windows/host/tests/ptyshim
under_wine() {
  "$h/serial_ptyhost" --shim "$h/libstylorix_ptyshim.so" --wine "$(scripts/wine-prefix)" -- \
    scripts/wine-run "build/serial-bench-windows/tests/serial/$1.exe" "${@:2}"
}
under_wine serial_bench "$seconds"
echo "== the system's event wait under Wine, without the component"
under_wine comm_wait_bench
