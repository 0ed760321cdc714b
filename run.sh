#!/usr/bin/env bash
# Builds everything and starts Tamsel on the sample program folder build/program/.
# Without a display it runs Tamsel under Xvfb, saves a screenshot and ends it.
set -euo pipefail
cd "$(dirname "$0")"
source tools/setup.sh

PROGRAM="$BUILD_DIR/program/Tamsel"
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$PROGRAM"
fi

echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set): starting Tamsel under Xvfb."
SHOT="$PWD/$BUILD_DIR/screenshots/tamsel.png"
mkdir -p "$(dirname "$SHOT")"
export SHOT PROGRAM
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    "$PROGRAM" &
    pid=$!
    sleep 4
    if ! kill -0 "$pid" 2>/dev/null; then
        wait "$pid"; echo "Tamsel ended early with status $?" >&2; exit 1
    fi
    "'"$BUILD_DIR"'/tools/screenshot" "$SHOT"
    status=$?
    kill "$pid"; wait "$pid" 2>/dev/null || true
    exit $status
'
echo "Screenshot of the main window: $SHOT"
