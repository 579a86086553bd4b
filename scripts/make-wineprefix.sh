#!/bin/sh
# Makes the Wine prefix that the Winelib tests run in, once: a finished prefix is marked,
# so later runs return at once. Beside it stays a clean copy that no test runs in, for
# tests that copy a prefix of their own while others run. With "x11" as the second
# argument the prefix keeps Wine's display driver, for tests on a real X display.
set -eu
prefix=$1
driver=${2:-null}
[ -f "$prefix/.tessaline-ready" ] && [ -d "$prefix.clean" ] && exit 0
rm -rf "$prefix"
mkdir -p "$prefix"
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="
wine=${WINE:-wine}
wineserver=${WINESERVER:-wineserver}
"$wine" wineboot -i >/dev/null 2>&1 || true
"$wineserver" -w
if [ "$driver" = null ]; then
  # The null graphics driver: windows, dialogs and controls work without a display.
  "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
  "$wineserver" -w
else
  # On a display the fonts are a user's: Wine's own ones too.
  "$(dirname "$0")/wine-fonts.sh" "$prefix"
fi
touch "$prefix/.tessaline-ready"
rm -rf "$prefix.clean"
cp -a "$prefix" "$prefix.clean"
