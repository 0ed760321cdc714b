#!/usr/bin/env bash
# Makes SQLite's single-file source (sqlite3.c, sqlite3.h) from Debian's own source package, its
# security patches applied, into a cache folder outside the clone. The Windows build compiles it
# into the programs. Prints the folder on its last line.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.sh"

version=$(dpkg-query -W -f='${Version}' libsqlite3-dev)
key=$(printf '%s\n' "$version" "$(cat "$0")" | sha256sum | cut -c1-16)
begin_cached_build sqlite "$key"
fetch_source "sqlite3=$version" "$work"
src=$(find "$work" -maxdepth 1 -mindepth 1 -type d -name 'sqlite3-*' | head -n1)
(cd "$src" && ./configure --disable-tcl >/dev/null && make -s sqlite3.c >/dev/null)
cp "$src/sqlite3.c" "$src/sqlite3.h" "$prefix/"
end_cached_build
