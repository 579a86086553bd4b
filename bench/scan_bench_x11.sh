#!/bin/sh
# Runs scan_bench as a user sees it: Wine's x11 driver on a virtual X display (Xvfb with a
# window manager), in the Wine prefix of the build's tests on an X display.
# Usage, from the source folder: bench/scan_bench_x11.sh [scan_bench arguments]
# (BUILD=folder names another build folder).
set -eu
build=$(cd "${BUILD:-build}" && pwd)
prefix="$build/wineprefix-x11"
# The prefix of the tests on an X display: made once, kept by both.
"$(dirname "$0")/../scripts/make-wineprefix.sh" "$prefix" x11
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
