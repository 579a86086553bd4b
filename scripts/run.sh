#!/bin/sh
# Installs what is missing, builds, and starts the program under Wine (in a virtual
# display when there is none).
set -eu
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
cmake -S . -B build -G Ninja
cmake --build build -j"$(nproc)" --target tessalinelite
export WINEPREFIX="${WINEPREFIX:-$PWD/build/wineprefix-run}" WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree=;mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w
fi
scripts/wine-fonts.sh "$WINEPREFIX"
if [ -n "${DISPLAY:-}" ]; then
  exec wine build/app/tessalinelite.exe.so "$@"
fi
exec xvfb-run -a wine build/app/tessalinelite.exe.so "$@"
