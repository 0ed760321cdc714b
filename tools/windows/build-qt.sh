#!/usr/bin/env bash
# Builds Qt's base module for 64-bit Windows from Debian's own source package, with the installed
# Debian Qt as the host tools, into a cache folder outside the clone. Only what the programs and
# the tests use: Core, Gui, Widgets, Test, the Windows, offscreen and minimal platform plugins, the
# Windows styles and the image plugins. Prints the installed prefix on its last line.
# Takes about half an hour on two cores the first time; afterwards it finds the cache and returns.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.sh"

qt_version=$(dpkg-query -W -f='${Version}' qt6-base-dev)
compiler=$(x86_64-w64-mingw32-g++-posix -dumpfullversion)
key=$(printf '%s\n' "$qt_version" "$compiler" "$(cat "$0" "$here/../../cmake/mingw-w64.cmake")" \
    | sha256sum | cut -c1-16)
begin_cached_build qt "$key"
fetch_source qt6-base/bookworm "$work"
src=$(find "$work" -maxdepth 1 -mindepth 1 -type d -name 'qt6-base-*' | head -n1)

# Two guards the Windows platform plugin lacks for a build without OpenGL and without Direct2D.
python3 - "$src/src/plugins/platforms/windows" <<'PY'
import pathlib, sys
d = pathlib.Path(sys.argv[1])
def edit(name, old, new):
    p = d / name
    t = p.read_text()
    if old not in t:
        sys.exit(f"{name}: the text to guard was not found")
    p.write_text(t.replace(old, new))
edit("qwindowswindow.cpp",
     "static inline bool isSoftwareGl()\n{\n#if QT_CONFIG(dynamicgl)",
     "static inline bool isSoftwareGl()\n{\n#if QT_CONFIG(opengl) && QT_CONFIG(dynamicgl)")
edit("qwindowsintegration.cpp",
     "#if QT_CONFIG(directwrite3)\n#include",
     "#if QT_CONFIG(directwrite3) && QT_CONFIG(direct2d)\n#include")
edit("qwindowsintegration.cpp",
     "#if QT_CONFIG(directwrite3)\n        if (d->m_options",
     "#if QT_CONFIG(directwrite3) && QT_CONFIG(direct2d)\n        if (d->m_options")
PY

off=(network dbus sql xml concurrent printsupport opengl vulkan direct2d tabletevent icu zstd)
features=()
for f in "${off[@]}"; do features+=("-DFEATURE_$f=OFF"); done

cmake -S "$src" -B "$work/build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$here/../../cmake/mingw-w64.cmake" \
    -DQT_HOST_PATH=/usr \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DCMAKE_BUILD_TYPE=Release \
    -DBUILD_SHARED_LIBS=ON \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
    -DINPUT_opengl=no \
    -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF \
    -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_pcre2=OFF \
    -DFEATURE_system_doubleconversion=OFF -DFEATURE_system_md4c=OFF \
    "${features[@]}"
cmake --build "$work/build" --parallel "$(nproc)"
cmake --install "$work/build" --strip
end_cached_build
