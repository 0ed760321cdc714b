#!/usr/bin/env bash
# Runs a Windows program under Wine the way the Windows tests need it: in the prefix that
# wine-prefix.sh makes, with Qt's variables handed on under the names Wine passes to programs,
# the Qt and MinGW libraries found, and a time limit (a fatal error must never wait for a click).
#   wine-run.sh PROGRAM.exe [ARGUMENTS...]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.sh"

export WINEPREFIX=${WINEPREFIX:-$TAMSEL_WINDOWS_CACHE/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
# Without a console Qt sends messages and test results to the debugger; here they are wanted on
# the standard streams.
export QT_FORCE_STDERR_LOGGING=${QT_FORCE_STDERR_LOGGING:-1}
# Offscreen, Qt draws text with the fonts of a folder it is given.
if [ "${QT_QPA_PLATFORM:-}" = offscreen ] && [ -z "${QT_QPA_FONTDIR:-}" ]; then
    export QT_QPA_FONTDIR='Z:\usr\share\fonts\truetype\wqy'
fi
# Wine hands a program no QT_* variable of Linux; WINEQT_* ones it passes on without the prefix.
while IFS='=' read -r name value; do
    case $name in QT_*) export "WINE$name=$value" ;; esac
done < <(env)
# Qt's own libraries next to its plugins, and the compiler's run-time libraries.
path=()
for dir in ${TAMSEL_WINDOWS_QT:+"$TAMSEL_WINDOWS_QT/bin"} $(windows_runtime_dlls | xargs -n1 dirname | sort -u); do
    path+=("Z:${dir//\//\\}")
done
export WINEPATH=$(IFS=';'; echo "${path[*]}")
exec timeout --kill-after=10 "${TAMSEL_WINE_TIMEOUT:-600}" /usr/lib/wine/wine64 "$@"
