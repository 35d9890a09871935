#!/usr/bin/env bash
# Qt 6.4.2 for Windows (qtbase: Core, Gui, Widgets, Test; the windows and offscreen platforms),
# cross-built with mingw-w64 against Debian's own Qt host tools, for the Windows build of the
# window program. Debian has no Qt for mingw, so it comes from one of two places:
#   - the ready build ../shared/qt6-mingw64/qt-6.4.2-mingw64.tar.xz beside the source tree, when
#     it is there (unpacked in a few seconds), or the tarball named by KELVANE_QT_TARBALL;
#   - else scripts/build_qt_windows.sh builds the same configuration from Debian's qt6-base
#     source (40 to 60 minutes on two cores; it needs root or sudo for apt-get).
# Either way the result is kept in the cache folder and reused while it is there. Prints the
# folder the Qt is in (its lib/cmake/Qt6 is what the Windows build's CMake looks for).
# usage: get_qt_windows.sh [CACHE-FOLDER]   (default ~/.cache/kelvane, or $XDG_CACHE_HOME)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cache=${1:-${XDG_CACHE_HOME:-$HOME/.cache}/kelvane}
name=qt-6.4.2-mingw64
prefix=$cache/$name
if [ -f "$prefix/lib/cmake/Qt6/Qt6Config.cmake" ] && [ -f "$prefix/bin/Qt6Widgets.dll" ]; then
    echo "$prefix"
    exit 0
fi

tarball=${KELVANE_QT_TARBALL:-$here/../shared/qt6-mingw64/$name.tar.xz}
mkdir -p "$cache"
work=$(mktemp -d "$cache/.qt-unpack.XXXXXX")
trap 'rm -rf "$work"' EXIT
if [ ! -f "$tarball" ]; then
    echo "no ready Qt for Windows at $tarball: building it from Debian's source" >&2
    tarball=$(bash "$here/scripts/build_qt_windows.sh" "$work" | tail -n 1)
fi
tar -C "$work" -xJf "$tarball"
[ -f "$work/$name/lib/cmake/Qt6/Qt6Config.cmake" ] || { echo "$tarball holds no $name/" >&2; exit 1; }
# Moved into place whole, so a cut-short unpack never looks like a Qt.
rm -rf "$prefix"
mv "$work/$name" "$prefix"
echo "$prefix"
