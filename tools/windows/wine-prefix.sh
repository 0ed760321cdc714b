#!/usr/bin/env bash
# Makes the Wine prefix the Windows tests run in (once; later calls find it) and keeps a wineserver
# running, so that each program starts in a fraction of a second. X must already be there: a
# prefix first started without a display never opens a window later.
#   wine-prefix.sh          make it and start the server
#   wine-prefix.sh --stop   stop the server
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.sh"
export WINEPREFIX=${WINEPREFIX:-$TAMSEL_WINDOWS_CACHE/wineprefix}
export WINEDEBUG=-all
if [ "${1:-}" = "--stop" ]; then
    /usr/lib/wine/wineserver -k 2>/dev/null || true
    exit 0
fi
if [ ! -f "$WINEPREFIX/.tamsel-ready" ]; then
    rm -rf "$WINEPREFIX"
    # No Mono or Gecko installers: nothing here needs them, and they would ask.
    # (The server Wine starts keeps what it inherits open: it never gets this script's output.)
    WINEDLLOVERRIDES="mscoree,mshtml=" timeout 300 /usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1
    # A crash ends the program instead of opening a dialog that waits for a click.
    timeout 60 /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
        >/dev/null 2>&1
    /usr/lib/wine/wineserver -w
    touch "$WINEPREFIX/.tamsel-ready"
fi
# (A server already running for this prefix, as after an earlier run, is used as it is.)
/usr/lib/wine/wineserver -p >/dev/null 2>&1 </dev/null || true
# Wine's own services and desktop process start with the first program and keep what it
# inherited open; started here, they hold no test's output.
# (The first command after a server stopped may fail while the old one goes: tried again.)
for attempt in 1 2 3; do
    timeout 120 /usr/lib/wine/wine64 wineboot >/dev/null 2>&1 </dev/null && break
    [ "$attempt" -lt 3 ] || { echo "wine-prefix.sh: Wine does not start in $WINEPREFIX" >&2; exit 1; }
    sleep 2
done
timeout 60 /usr/lib/wine/wine64 explorer /desktop >/dev/null 2>&1 </dev/null &
sleep 2
