#!/usr/bin/env bash
# Makes SQLite's single-file source (sqlite3.c, sqlite3.h) from Debian's own source package, its
# security patches applied, into a cache folder outside the clone. The Windows build compiles it
# into the programs. Prints the folder on its last line.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.sh"

version=$(dpkg-query -W -f='${Version}' libsqlite3-dev)
key=$(printf '%s\n' "$version" "$(cat "$0")" | sha256sum | cut -c1-16)
prefix=$TAMSEL_WINDOWS_CACHE/sqlite-$key
if [ -f "$prefix/.complete" ]; then
    echo "$prefix"
    exit 0
fi
work=$TAMSEL_WINDOWS_CACHE/sqlite-build-$key
rm -rf "$work" "$prefix"
mkdir -p "$work" "$prefix"
fetch_source "sqlite3=$version" "$work"
src=$(find "$work" -maxdepth 1 -mindepth 1 -type d -name 'sqlite3-*' | head -n1)
(cd "$src" && ./configure --disable-tcl >/dev/null && make -s sqlite3.c >/dev/null)
cp "$src/sqlite3.c" "$src/sqlite3.h" "$prefix/"
touch "$prefix/.complete"
rm -rf "$work"
echo "$prefix"
