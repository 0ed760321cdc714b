# Shared by the Windows build scripts: where their cache lives and how Debian's source packages
# are fetched without touching the machine's own package sources.

TAMSEL_WINDOWS_CACHE=${TAMSEL_WINDOWS_CACHE:-/var/cache/tamsel-windows}
mkdir -p "$TAMSEL_WINDOWS_CACHE"

# A private apt state with source entries for bookworm (and trixie, for the one tarball bookworm
# no longer serves).
windows_apt() {
    local state=$TAMSEL_WINDOWS_CACHE/apt
    if [ ! -f "$state/sources.list" ]; then
        mkdir -p "$state/lists/partial" "$state/archives/partial"
        local keyring=/usr/share/keyrings/debian-archive-keyring.gpg
        cat >"$state/sources.list" <<SOURCES
deb-src [signed-by=$keyring] http://deb.debian.org/debian bookworm main
deb-src [signed-by=$keyring] http://deb.debian.org/debian-security bookworm-security main
deb-src [signed-by=$keyring] http://deb.debian.org/debian trixie main
SOURCES
    fi
    apt-get -o Dir::Etc::SourceList="$state/sources.list" -o Dir::Etc::SourceParts=/dev/null \
        -o Dir::State::Lists="$state/lists" -o Dir::Cache::Archives="$state/archives" \
        -o APT::Sandbox::User=root "$@"
}

# fetch_source PACKAGE[/SUITE|=VERSION] DIR: the source package unpacked (Debian's patches applied) in DIR.
fetch_source() {
    local package=$1 dir=$2
    [ -n "$(ls "$TAMSEL_WINDOWS_CACHE"/apt/lists/*Sources* 2>/dev/null)" ] || windows_apt -qq update
    (cd "$dir" && windows_apt -qq source "$package")
}

# The MinGW-w64 run-time libraries the programs and Qt use, one path per line.
windows_runtime_dlls() {
    local dll
    for dll in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
        realpath "$(x86_64-w64-mingw32-g++-posix -print-file-name=$dll)"
    done
}

# begin_cached_build NAME KEY: sets `prefix`, the cache folder of this build, and `work`, an empty
# scratch folder beside it. When the cache folder is complete already, prints it and ends the
# script.
begin_cached_build() {
    prefix=$TAMSEL_WINDOWS_CACHE/$1-$2
    work=$TAMSEL_WINDOWS_CACHE/$1-build-$2
    if [ -f "$prefix/.complete" ]; then
        echo "$prefix"
        exit 0
    fi
    rm -rf "$work" "$prefix"
    mkdir -p "$work" "$prefix"
}

# end_cached_build: marks the cache folder complete, drops the scratch folder and prints the
# cache folder.
end_cached_build() {
    touch "$prefix/.complete"
    rm -rf "$work"
    echo "$prefix"
}
