#!/bin/sh
# Runs scan_bench as a user sees it: Wine's x11 driver on a virtual X display (Xvfb with a
# window manager), in a Wine prefix of its own beside the build's headless one, made once from
# the clean copy with the null driver setting removed.
# Usage, from the source folder: bench/scan_bench_x11.sh [scan_bench arguments]
# (BUILD=folder names another build folder).
set -eu
build=$(cd "${BUILD:-build}" && pwd)
prefix="$build/wineprefix-x11"
if [ ! -f "$prefix/.tessaline-x11" ]; then
  rm -rf "$prefix"
  cp -a "$build/wineprefix.clean" "$prefix"
  WINEPREFIX="$prefix" WINEDEBUG=-all wine reg delete 'HKCU\Software\Wine\Drivers' /v Graphics /f \
    >/dev/null 2>&1 || true
  WINEPREFIX="$prefix" wineserver -w
  touch "$prefix/.tessaline-x11"
fi
export WINEPREFIX="$prefix" WINEDEBUG=-all
# The Wine server of this prefix ends with the display, so that the next run starts afresh.
exec xvfb-run -a -s "-screen 0 1280x1024x24" sh -c '
  openbox >/dev/null 2>&1 &
  manager=$!
  bench=$1
  shift
  status=0
  wine "$bench" --x11 "$@" || status=$?
  wineserver -w
  kill $manager 2>/dev/null || true
  exit $status' sh "$build/bench/scan_bench.exe.so" "$@"
