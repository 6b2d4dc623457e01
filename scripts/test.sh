#!/usr/bin/env bash
# Installs what is missing, builds every preset and runs every test suite:
# native, the Windows program under Wine, the zip to ship, the sanitizer
# builds, and a short run of each fuzz target.
#   scripts/test.sh            everything
#   scripts/test.sh linux      only the named presets (linux windows windows-release linux-asan
#                              linux-tsan fuzz)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

scripts/install-deps.sh

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(linux windows windows-release linux-asan linux-tsan fuzz)

export WINEPREFIX=$root/build/windows/wineprefix WINEDEBUG=-all
# The shared prefix's session, and the window tests' own server should a case
# have been cut short.
stop_wine() {
  scripts/wine-session --end
  WINEPREFIX=$root/build/windows/wineprefix-ui wineserver -k >/dev/null 2>&1 || true
}
trap stop_wine EXIT

# The zip to ship holds the program, without debug information, and the read-me.
check_release() {
  local dir=build/windows-release zip unpacked
  zip=$(ls -t "$dir"/Stylorix-*-win64.zip | head -1)
  unpacked=$dir/unpacked
  rm -rf "$unpacked" && mkdir -p "$unpacked"
  (cd "$unpacked" && cmake -E tar xf "$root/$zip")
  local exe=("$unpacked"/*/Stylorix.exe) readme=("$unpacked"/*/LIESMICH.txt)
  [ -f "${exe[0]}" ] && [ -f "${readme[0]}" ] || { echo "$zip lacks Stylorix.exe or LIESMICH.txt"; return 1; }
  if x86_64-w64-mingw32-objdump -h "${exe[0]}" | grep -q '\.debug'; then
    echo "the shipped Stylorix.exe carries debug information"
    return 1
  fi
  echo "$zip: $(stat -c %s "$zip") bytes; Stylorix.exe $(stat -c %s "${exe[0]}") bytes"
}

failed=()
for preset in "${presets[@]}"; do
  echo "=== $preset: build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  echo "=== $preset: test"
  case "$preset" in
    windows)
      # CTest starts the Wine session itself (the wine.session.start test), but
      # only after it has listed each test program's cases, which it does
      # through Wine too: the session is up before.
      scripts/wine-session || echo "no Wine session"
      ctest --preset windows || failed+=("$preset")
      stop_wine
      ;;
    windows-release)
      { cpack --preset windows-release >/dev/null && check_release; } || failed+=("$preset")
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
