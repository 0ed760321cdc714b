#!/bin/sh
# Builds and runs every benchmark (each bench_* in build/bench), headless. Each prints its figures
# as "name: value (target) ratio"; the script ends with status 1 when any target was missed.
set -u
cd "$(dirname "$0")/.."
cmake --build build --parallel 2 >/dev/null || { echo "build failed: run ./test.sh first" >&2; exit 2; }
status=0
for bench in build/bench/bench_*; do
    [ -x "$bench" ] && [ -f "$bench" ] || continue
    echo "== $(basename "$bench")"
    QT_QPA_PLATFORM=offscreen "$bench" 2>/dev/null || status=1
done
exit $status
