#!/usr/bin/env bash
# The Windows test stage: the release built with its tests, the tests run as Windows programs
# under Wine, then the installer tried the way a user uses it (tools/windows/smoke.sh).
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
TAMSEL_WINDOWS_TESTS=1 tools/windows/release.sh
source tools/windows/common.sh
export TAMSEL_WINDOWS_QT=$(tools/windows/build-qt.sh | tail -n1)
win=${TAMSEL_WINDOWS_BUILD_DIR:-build-windows}

# An X display before Wine's first start, or its windows never show.
xvfb=
if [ -z "${DISPLAY:-}" ]; then
    display=:$((90 + RANDOM % 9))
    Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp &
    xvfb=$!
    export DISPLAY=$display
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
fi
cleanup() {
    tools/windows/wine-prefix.sh --stop
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
start=$(date +%s)
tools/windows/wine-prefix.sh
echo "Wine prefix ready in $(( $(date +%s) - start )) s"

echo "== The suite under Wine"
(cd "$win" && ctest --output-on-failure --timeout 900)

echo "== The installer under Wine"
tools/windows/smoke.sh
