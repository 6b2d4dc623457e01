#!/usr/bin/env bash
# Installs what is missing, builds every preset and runs every test suite:
# native, the Windows program under Wine, the sanitizer builds, and a short
# run of each fuzz target.
#   scripts/test.sh            everything
#   scripts/test.sh linux      only the named presets (linux windows linux-asan linux-tsan fuzz)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

scripts/install-deps.sh

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(linux windows linux-asan linux-tsan fuzz)

export WINEPREFIX=$root/build/windows/wineprefix WINEDEBUG=-all
# The shared prefix's server, and the window tests' own one should a case
# have been cut short.
stop_wine() {
  wineserver -k >/dev/null 2>&1 || true
  WINEPREFIX=$root/build/windows/wineprefix-ui wineserver -k >/dev/null 2>&1 || true
}
trap stop_wine EXIT

failed=()
for preset in "${presets[@]}"; do
  echo "=== $preset: build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  echo "=== $preset: test"
  case "$preset" in
    windows)
      scripts/wine-prefix >/dev/null
      wineserver -p  # one server for the whole run: each start then costs milliseconds
      # The first program of a server session starts Wine's own background
      # processes; start them here, with no pipe of CTest's for them to inherit.
      timeout 300 scripts/wine-run cmd /c exit </dev/null >/dev/null 2>&1 || echo "wine warm-up failed"
      ctest --preset windows || failed+=("$preset")
      stop_wine
      ;;
    fuzz)
      scripts/fuzz.sh "${FUZZ_SECONDS:-60}" || failed+=("$preset")
      ;;
    *)
      ctest --preset "$preset" || failed+=("$preset")
      ;;
  esac
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "FAILED presets: ${failed[*]}"
  exit 1
fi
echo "all presets passed: ${presets[*]}"
