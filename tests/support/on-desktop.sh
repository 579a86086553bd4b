#!/bin/sh
# Runs a command on a virtual X display of its own with a window manager, as on a desktop:
# Xvfb at 1280x1024 in true colour, openbox managing the windows. The prefix's Wine server
# is started anew on that display and waited for at the end, so that no Wine process of
# this run is left bound to a display that is gone.
set -eu
if [ "${TL_ON_DESKTOP:-}" != 1 ]; then
  export TL_ON_DESKTOP=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$0" "$@"
fi
wineserver=${WINESERVER:-wineserver}
"$wineserver" -k 2>/dev/null || true
ready=$(mktemp -u)
openbox --sm-disable --startup "touch $ready" &
manager=$!
waited=0
while [ ! -e "$ready" ] && [ "$waited" -lt 100 ]; do
  sleep 0.1
  waited=$((waited + 1))
done
rm -f "$ready"
status=0
"$@" || status=$?
"$wineserver" -w 2>/dev/null || true
kill "$manager" 2>/dev/null || true
wait "$manager" 2>/dev/null || true
exit "$status"
