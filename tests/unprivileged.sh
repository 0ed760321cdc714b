#!/usr/bin/env bash
# Runs test executables as the unprivileged user "nobody". The superuser reads and writes any
# file, so under root the cases about files that cannot be read or written prove nothing or skip;
# here every case must run: a skipped case fails this test.
# Usage: unprivileged.sh TEST_EXECUTABLE...
set -euo pipefail

if [ "$(id -u)" -ne 0 ]; then
    echo "Not running as root: the ordinary test run already covers these cases."
    exit 77
fi

# A folder of its own that the user can enter: the build tree may sit where it cannot.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
install -d -m 700 -o nobody "$work/home"

status=0
for test in "$@"; do
    name=$(basename "$test")
    install -m 755 "$test" "$work/$name"
    echo "== $name as nobody"
    if ! output=$(cd "$work/home" && setpriv --reuid=nobody --regid="$(id -g nobody)" --clear-groups \
            env HOME="$work/home" TMPDIR="$work/home" XDG_RUNTIME_DIR="$work/home" \
            QT_QPA_PLATFORM=offscreen "$work/$name" 2>&1); then
        echo "$output"
        status=1
    elif grep -E '^SKIP' <<<"$output"; then
        echo "$name: cases were skipped although not run as root"
        status=1
    else
        grep -E '^Totals' <<<"$output"
    fi
done
exit $status
