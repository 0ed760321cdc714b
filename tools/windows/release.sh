#!/usr/bin/env bash
# Makes the Windows release on Debian: the programs cross-built with MinGW-w64 against Qt, SQLite
# and libmdb built from Debian's own sources (cached outside the clone; the first run builds Qt,
# about half an hour on two cores), laid out as the program folder, then packed as a zip and as
# an installer.
#   tools/windows/release.sh      ->  dist/windows/Tamsel-VERSION/, its .zip and Tamsel-VERSION-setup.exe
# TAMSEL_WINDOWS_TESTS=1 builds the tests as well, to run under Wine (tools/windows/test.sh).
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
export TAMSEL_WINDOWS_PACKAGES=1
# The native build first: its data compiler and Jet writer make the data files.
source tools/setup.sh
host_build=$root/$BUILD_DIR
source tools/windows/common.sh

echo "== Qt, SQLite and libmdb for Windows (cached in $TAMSEL_WINDOWS_CACHE)"
qt=$(tools/windows/build-qt.sh | tail -n1)
sqlite=$(tools/windows/build-sqlite.sh | tail -n1)
mdb=$(tools/windows/build-mdb.sh | tail -n1)

echo "== The programs for Windows"
win=${TAMSEL_WINDOWS_BUILD_DIR:-build-windows}
werror=OFF
[ -n "${CI:-}" ] && werror=ON
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
# Qt's own toolchain file finds Qt for Windows, and loads ours for the compiler.
cmake -S . -B "$win" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DQT_CHAINLOAD_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DTAMSEL_WERROR="$werror" "${launcher[@]}" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DTAMSEL_WINDOWS_SQLITE="$sqlite" -DTAMSEL_WINDOWS_MDB="$mdb" -DTAMSEL_HOST_TOOLS="$host_build/tools" \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$root/tools/windows/wine-run.sh" \
    -DBUILD_TESTING="$([ -n "${TAMSEL_WINDOWS_TESTS:-}" ] && echo ON || echo OFF)"
cmake --build "$win" --parallel "$(nproc)"

version=$(sed -n 's/^project(Tamsel VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
dist=$root/dist/windows
folder=$dist/Tamsel-$version
echo "== Laying out $folder"
rm -rf "$folder"
mkdir -p "$folder"/{platforms,styles,imageformats,translations}
program=$win/program
cp "$program"/{Tamsel,Quorvi,jetread}.exe "$program"/{vb.MDB,api.mdb,shili.mdb} "$folder/"
# The bank as compiled, without answers given while building.
cp "$win/data/shiti.mdb" "$folder/"
cp -r "$program/article" "$program/technique" "$folder/"
cp "$qt"/bin/Qt6{Core,Gui,Widgets}.dll "$folder/"
windows_runtime_dlls | xargs -I{} cp {} "$folder/"
cp "$qt/plugins/platforms/qwindows.dll" "$folder/platforms/"
cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$folder/styles/"
cp "$qt/plugins/imageformats/qjpeg.dll" "$folder/imageformats/"
# Qt's own texts (buttons of message boxes) in Chinese, from Debian's translations: the catalogue
# the programs load and the two it names, without which it does not load.
cp /usr/share/qt6/translations/{qt,qtbase,qtmultimedia}_zh_CN.qm "$folder/translations/"
# Qt looks for its plugins and translations here, never in the folder it was built into.
printf '[Paths]\r\nPrefix = .\r\nPlugins = .\r\nTranslations = translations\r\n' >"$folder/qt.conf"
x86_64-w64-mingw32-strip "$folder"/*.exe "$folder"/*.dll "$folder"/*/*.dll

echo "== The zip"
zip_file=$dist/Tamsel-$version-windows-x64.zip
rm -f "$zip_file"
(cd "$dist" && zip -qr -X "$zip_file" "Tamsel-$version")

echo "== The installer"
# The uninstaller removes exactly what was installed: the lists are made from the folder.
lists=$(mktemp -d)
(cd "$folder" && find . -type f | sed 's|^\./||; s|/|\\|g' | sort) \
    | sed 's/.*/  Delete "$INSTDIR\\&"/' >"$lists/files.nsh"
(cd "$folder" && find . -mindepth 1 -type d | sed 's|^\./||; s|/|\\|g' | sort -r) \
    | sed 's/.*/  RMDir "$INSTDIR\\&"/' >"$lists/dirs.nsh"
installer=$dist/Tamsel-$version-setup.exe
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DSOURCE="$folder" -DLISTS="$lists" \
    -DICONS="$root/packaging/icons" -DOUTFILE="$installer" packaging/windows/tamsel.nsi
rm -rf "$lists"
echo "Windows release: $folder"
echo "  zip:       $zip_file"
echo "  installer: $installer"
