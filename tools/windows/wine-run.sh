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
