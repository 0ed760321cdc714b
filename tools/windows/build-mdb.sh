#!/usr/bin/env bash
# Builds libmdb, mdbtools' library alone (no utilities, no SQL, no ODBC, its own small GLib), for
# 64-bit Windows as a static library from the trixie source tarball, into a cache folder outside
# the clone. Windows has no iconv: the library is compiled against jetread's (jetread/wininconv/),
# which jetread links. Prints the installed prefix on its last line; a minute or two on two cores
# the first time, afterwards it finds the cache and returns.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.sh"
iconv_header=$here/../../jetread/wininconv/iconv.h

tarball=mdbtools_1.0.1.orig.tar.gz
tarball_sha256=750cbf793bf5b7e296fdc359124393a0aef89ee663b7741ba4b1ca2ce30b3b37
cc=x86_64-w64-mingw32-gcc-posix

# The tarball comes without its configure script.
missing=()
for package in autoconf automake libtool make gcc-mingw-w64-x86-64-posix; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
fi

compiler=$($cc -dumpfullversion)
key=$(printf '%s\n' "$tarball_sha256" "$compiler" "$(cat "$0" "$iconv_header")" | sha256sum | cut -c1-16)
begin_cached_build mdb "$key"
# Debian serves this version's upstream tarball but no longer its .dsc, without which
# `apt-get source` fails: the tarball alone, from where apt says it is, checked against its
# digest (asked in the empty work folder: apt leaves out what it finds already downloaded there).
[ -n "$(ls "$TAMSEL_WINDOWS_CACHE"/apt/lists/*Sources* 2>/dev/null)" ] || windows_apt -qq update
uri=$(cd "$work" && windows_apt -qq source --print-uris mdbtools/trixie \
    | awk -v name="$tarball" '$2 == name { gsub("\047", "", $1); print $1 }')
[ -n "$uri" ] || { echo "apt names no $tarball for mdbtools/trixie" >&2; exit 1; }
/usr/lib/apt/apt-helper -o APT::Sandbox::User=root download-file "$uri" "$work/$tarball" "SHA256:$tarball_sha256" >&2
echo "$tarball_sha256  $work/$tarball" | sha256sum --check --quiet
tar -xzf "$work/$tarball" -C "$work"
src=$work/mdbtools-1.0.1

# Two changes to the source, each checked to apply:
# - configure's MinGW case adds libtool's -no-undefined to LDFLAGS, which fails every link test of
#   configure itself, and a spawnv define that clashes with MinGW's process.h; the one thing it
#   needs there is MinGW's name of the locale type.
# - A way to hand the library a file already open: Windows has no fmemopen for mdb_open_buffer, and
#   mdb_open's narrow path cannot name every file there.
python3 - "$src" <<'PY'
import pathlib, sys
src = pathlib.Path(sys.argv[1])
def edit(name, old, new):
    p = src / name
    t = p.read_text()
    if t.count(old) != 1:
        sys.exit(f"{name}: the text to change was not found")
    p.write_text(t.replace(old, new))
edit("configure.ac",
     '[*mingw*], [LDFLAGS="$LDFLAGS -no-undefined" CFLAGS="$CFLAGS -D_spawnv=spawnv"], [])',
     '[*mingw*], [LOCALE_T=_locale_t], [])')
edit("include/mdbtools.h.in",
     "MdbHandle *mdb_open_buffer(void *buffer, size_t len, MdbFileFlags flags);\n",
     "MdbHandle *mdb_open_buffer(void *buffer, size_t len, MdbFileFlags flags);\n"
     "/* The handle owns the stream from here, and has closed it when it returns NULL. */\n"
     "MdbHandle *mdb_open_stream(FILE *stream, MdbFileFlags flags);\n")
edit("src/libmdb/file.c",
     "MdbHandle *mdb_open(const char *filename, MdbFileFlags flags)\n{",
     "MdbHandle *mdb_open_stream(FILE *stream, MdbFileFlags flags)\n{\n"
     "    return mdb_handle_from_stream(stream, flags);\n}\n\n"
     "MdbHandle *mdb_open(const char *filename, MdbFileFlags flags)\n{")
PY

(cd "$src" && autoreconf -fi) >&2
# iconv is found by its header alone: the functions come with jetread, not with a library that
# configure could link its test against.
(cd "$src" && ./configure --host=x86_64-w64-mingw32 CC="$cc" CXX="${cc/gcc/g++}" --prefix="$prefix" \
    --disable-shared --enable-static --disable-glib --disable-man --without-bash-completion-dir \
    CPPFLAGS="-I$(dirname "$iconv_header")" am_cv_func_iconv=yes) >&2
grep -q '^#define MDBTOOLS_H_HAVE_ICONV_H 1$' "$src/include/mdbtools.h" \
    || { echo "configure did not take the iconv header" >&2; exit 1; }
make -C "$src/src/libmdb" install >&2
make -C "$src/include" install >&2
end_cached_build
