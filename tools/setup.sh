# Shared by run.sh and test.sh: installs what a fresh Debian 12 machine lacks, then builds.
# Sourced, not run: it leaves BUILD_DIR set.

BUILD_DIR=${BUILD_DIR:-build}
PACKAGES=(g++ cmake ninja-build pkg-config qt6-base-dev libsqlite3-dev fonts-wqy-microhei xvfb xauth
          g++-mingw-w64-x86-64)

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
