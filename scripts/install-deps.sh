#!/usr/bin/env bash
# Brings a Debian 12 machine everything the build and the tests need.
# Idempotent and quiet when everything is already there.
set -euo pipefail

packages=(
  cmake ninja-build g++ ccache pkg-config clang-format
  googletest libgtest-dev libgmock-dev
  nlohmann-json3-dev libudev-dev
  clang libclang-rt-14-dev
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
  wine wine64 xvfb xauth imagemagick
  # Without its preloader, Wine fails now and then to start a program: its own
  # heap can lie where Windows' shared page must go ("failed to map the shared
  # user data", exit status 1, shown only with WINEDEBUG=err+all).
  wine64-preloader
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
