#!/bin/sh
# Makes the headless Wine prefix that the Winelib tests run in, once: a finished prefix
# is marked, so later runs return at once. Beside it stays a clean copy that no test runs
# in, for tests that copy a prefix of their own while others run.
set -eu
prefix=$1
[ -f "$prefix/.tessaline-ready" ] && [ -d "$prefix.clean" ] && exit 0
rm -rf "$prefix"
mkdir -p "$prefix"
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="
wine=${WINE:-wine}
wineserver=${WINESERVER:-wineserver}
"$wine" wineboot -i >/dev/null 2>&1 || true
"$wineserver" -w
# The null graphics driver: windows, dialogs and controls work without a display.
"$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
"$wineserver" -w
touch "$prefix/.tessaline-ready"
rm -rf "$prefix.clean"
cp -a "$prefix" "$prefix.clean"
