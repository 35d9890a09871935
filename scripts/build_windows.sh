#!/usr/bin/env bash
# Cross-builds Kelvane's Windows programs on Debian 12 with mingw-w64: the libraries, the window
# program kelvane.exe, kelvane-batch.exe and the tests, in build-windows/, and makes the
# downloads there:
#   kelvane-<version>-win64.zip        the window program, Qt's DLLs and plugins, the mingw
#                                      runtime, the default command tables, README.txt
#   kelvane-<version>-setup.exe        the same as an installer for one user (NSIS)
#   kelvane-batch-<version>-win64.zip  kelvane-batch.exe, README.txt, the examples
# Installs what it needs (also what the installer's test under Wine uses: Xvfb, xdotool and
# ImageMagick for its screenshots); PCRE2 for Windows comes from scripts/build_pcre2_windows.sh
# and Qt from scripts/get_qt_windows.sh (both kept in ~/.cache/kelvane).
# Further arguments go to CMake, e.g. -DKELVANE_LINUX_BUILD=build for the tests with a drive.
# Prints the three downloads' paths, one a line.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(g++-mingw-w64-x86-64-posix wine64 libgtest-dev cmake ninja-build pkg-config dpkg-dev
    debian-archive-keyring nsis qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-l10n-tools
    qt6-translations-l10n xz-utils xvfb xauth xdotool imagemagick)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq
    $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

prefix=$(bash scripts/build_pcre2_windows.sh)
qt=$(bash scripts/get_qt_windows.sh)
# Optimised as the Linux build is, -O2 (GCC 12 warns falsely about std::string at -O3), and
# without debugging information: the downloads are stripped anyway, and with it the objects are
# some fifteen times larger and the build a fifth slower.
cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
    -DKELVANE_WINDOWS_PREFIX="$prefix" -DKELVANE_QT_PREFIX="$qt" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
    -DKELVANE_WERROR=ON "$@" \
    >/dev/null
cmake --build build-windows -j "$(nproc)"

version=$(sed -n 's/^project(Kelvane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
# Notepad and the console read a README as UTF-8 with Windows line ends.
readme() { sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' "$1"; }

# The window program: a folder that runs as it is, zipped, and the installer made of it.
name=kelvane-$version-win64
stage=build-windows/$name
rm -rf "$stage" "$stage.zip" "$stage.uninstall.nsh"
mkdir -p "$stage/platforms" "$stage/styles" "$stage/imageformats" "$stage/tables"
x86_64-w64-mingw32-strip -o "$stage/kelvane.exe" build-windows/src/app/kelvane.exe
cp "$qt"/bin/Qt6{Core,Gui,Widgets}.dll "$stage/"
cp "$qt/plugins/platforms/qwindows.dll" "$stage/platforms/"
cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$stage/styles/"
# The window's icon is an .ico.
cp "$qt/plugins/imageformats/qico.dll" "$stage/imageformats/"
for dll in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
    cp "$(realpath "$(x86_64-w64-mingw32-g++-posix -print-file-name=$dll)")" "$stage/"
done
# Debian's runtime DLLs carry their debugging information: a third of the download.
find "$stage" -name '*.dll' -exec x86_64-w64-mingw32-strip --strip-unneeded {} +
cp resources/com.dbf resources/com_en.dbf "$stage/tables/"
readme packaging/windows/README-kelvane.txt >"$stage/README.txt"
(cd build-windows && cmake -E tar cf "$name.zip" --format=zip "$name")
# The uninstaller removes exactly these files, and their folders once empty.
{
    (cd "$stage" && find . -type f | sort) | sed -e 's|^\./||' -e 's|/|\\|g' \
        -e 's|.*|    Delete "$INSTDIR\\&"|'
    (cd "$stage" && find . -mindepth 1 -type d | sort -r) | sed -e 's|^\./||' -e 's|/|\\|g' \
        -e 's|.*|    RMDir "$INSTDIR\\&"|'
} >"$stage.uninstall.nsh"
setup=build-windows/kelvane-$version-setup.exe
makensis -V2 -DVERSION="$version" -DSTAGE="$PWD/$stage" -DICON="$PWD/build-windows/resources/kelvane.ico" \
    -DOUTFILE="$PWD/$setup" packaging/windows/kelvane.nsi >&2
echo "$PWD/$stage.zip"
echo "$PWD/$setup"

name=kelvane-batch-$version-win64
stage=build-windows/$name
rm -rf "$stage" "$stage.zip"
mkdir -p "$stage/examples"
x86_64-w64-mingw32-strip -o "$stage/kelvane-batch.exe" build-windows/tools/batch/kelvane-batch.exe
cp examples/* "$stage/examples/"
readme packaging/windows/README.txt >"$stage/README.txt"
(cd build-windows && cmake -E tar cf "$name.zip" --format=zip "$name")
echo "$PWD/$stage.zip"
