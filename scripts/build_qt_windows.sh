#!/usr/bin/env bash
# Builds qt-6.4.2-mingw64.tar.xz, the Qt the Windows build of the window program uses, when no
# ready one is at hand (scripts/get_qt_windows.sh calls it then): Qt 6.4.2 qtbase (Core, Gui,
# Widgets, Test; the windows, offscreen, minimal and direct2d platforms; the Windows styles) for
# x86_64 Windows with mingw-w64 (cmake/mingw-w64.cmake), from the upstream tarball of Debian 12's
# qt6-base source package, against Debian's own Qt 6.4.2 host tools (moc, uic, rcc).
# Takes 40 to 60 minutes on two cores and about 4 GB in /tmp; needs root or sudo for apt-get.
# Progress goes to standard error; prints the tarball's path last.
# usage: build_qt_windows.sh OUTDIR
set -euo pipefail
out=$(realpath -m "${1:?usage: build_qt_windows.sh OUTDIR}")
here=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d /tmp/qt-mingw.XXXXXX)
trap 'rm -rf "$work"' EXIT
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get install -y -qq --no-install-recommends g++-mingw-w64-x86-64-posix qt6-base-dev \
    qt6-base-dev-tools cmake ninja-build xz-utils dpkg-dev debian-archive-keyring >&2

source "$here/scripts/debian_source.sh"
debian_source "$work" --download-only qt6-base=6.4.2+dfsg-10
tar -C "$work" -xf "$work"/qt6-base_6.4.2+dfsg.orig.tar.xz

# Debian's +dfsg source lacks the tablet header, and OpenGL is off: tabletevent and dynamicgl go
# too. PNG, FreeType, HarfBuzz, PCRE2 and zlib are Qt's own copies, so the DLLs need nothing else.
cmake -S "$work/qtbase-everywhere-src-6.4.2" -B "$work/build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64.cmake" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_INSTALL_PREFIX="$work/qt-6.4.2-mingw64" -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
    -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_opengl=OFF -DFEATURE_printsupport=OFF \
    -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_dbus=OFF -DFEATURE_vulkan=OFF \
    -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_freetype=OFF \
    -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_jpeg=OFF -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF \
    -DFEATURE_directwrite=ON -DINPUT_freetype=qt -DFEATURE_freetype=ON \
    -DFEATURE_tabletevent=OFF -DFEATURE_dynamicgl=OFF >&2
cmake --build "$work/build" --parallel "$(nproc)" >&2
cmake --install "$work/build" >&2
mkdir -p "$out"
tar -C "$work" -cJf "$out/qt-6.4.2-mingw64.tar.xz" --owner=0 --group=0 qt-6.4.2-mingw64
echo "$out/qt-6.4.2-mingw64.tar.xz"
