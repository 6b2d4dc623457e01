#!/usr/bin/env bash
# CPU used by the serial component, natively and under Wine (see SerialBench.cpp).
#   tests/serial/bench.sh [seconds per phase]
# Builds the linux and windows presets' bench targets in build/serial-bench-*.
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-10}
targets=(serial_bench serial_ptyhost stylorix_ptyshim)

cmake --preset linux -B build/serial-bench-linux >/dev/null
cmake --build build/serial-bench-linux --target "${targets[@]}" -j2 >/dev/null
echo "== native (POSIX driver)"
b=build/serial-bench-linux/tests
"$b/serial/serial_ptyhost" --shim "$b/ptyshim/libstylorix_ptyshim.so" -- "$b/serial/serial_bench" "$seconds"

cmake --preset windows -B build/serial-bench-windows >/dev/null
cmake --build build/serial-bench-windows --target "${targets[@]}" -j2 >/dev/null
echo "== Windows program under Wine (Win32 driver)"
export WINEPREFIX=${WINEPREFIX:-$PWD/build/windows/wineprefix} WINEDEBUG=-all
b=build/serial-bench-windows/tests
"$b/serial/native/serial_ptyhost" --shim "$b/ptyshim/libstylorix_ptyshim.so" --wine "$WINEPREFIX" -- \
  scripts/wine-run "$b/serial/serial_bench.exe" "$seconds"
