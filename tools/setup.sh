# Shared by run.sh and test.sh: installs what a fresh Debian 12 machine lacks, then builds.
# Sourced, not run: it leaves BUILD_DIR set.

BUILD_DIR=${BUILD_DIR:-build}
PACKAGES=(g++ cmake ninja-build pkg-config qt6-base-dev libsqlite3-dev mdbtools-dev libmdb3 fonts-wqy-microhei qt6-translations-l10n xvfb xauth)
# The Jet reader confines itself with a seccomp filter.
PACKAGES+=(libseccomp-dev)

# dpkg-shlibdeps and file for `cpack -G DEB`; the validators of the installed menu entries and metadata.
PACKAGES+=(dpkg-dev file desktop-file-utils appstream)
# The cross compiler that checks the Windows registry code builds.
PACKAGES+=(g++-mingw-w64-x86-64)
# The Windows release: the cross compiler with posix threads, what builds Qt, SQLite and libmdb
# from Debian's sources, the installer maker and zip; Wine and X for its tests.
if [ -n "${TAMSEL_WINDOWS_PACKAGES:-}" ]; then
    PACKAGES+=(g++-mingw-w64-x86-64-posix dpkg-dev python3 tcl autoconf automake libtool nsis zip)
    PACKAGES+=(wine wine64 xvfb xauth xdotool)
fi
# CI's fuzz targets need clang and libFuzzer; building and testing do not.
if [ -n "${TAMSEL_FUZZ_PACKAGES:-}" ]; then
    PACKAGES+=(clang libclang-rt-14-dev)
fi

install_missing_packages() {
    local missing=()
    local package
    for package in "${PACKAGES[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$package")
        fi
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        local sudo=""
        [ "$(id -u)" -eq 0 ] || sudo="sudo"
        $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
        $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
    fi
}

configure_and_build() {
    local werror=OFF
    [ -n "${CI:-}" ] && werror=ON
    cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAMSEL_WERROR="$werror"
    cmake --build "$BUILD_DIR" --parallel "$(nproc)"
}

install_missing_packages
configure_and_build
