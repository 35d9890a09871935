#!/usr/bin/env bash
# PCRE2 (the 8-bit library) for the Windows build, cross-built with cmake/mingw-w64.cmake from
# Debian's own source of it, since Debian has no mingw build of PCRE2. Built once into a cache
# folder outside the work tree (about a minute) and reused while it is there; prints the folder,
# which holds include/, lib/libpcre2-8.a and lib/pkgconfig/libpcre2-8.pc.
# usage: build_pcre2_windows.sh [CACHE-FOLDER]   (default ~/.cache/kelvane, or $XDG_CACHE_HOME)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cache=${1:-${XDG_CACHE_HOME:-$HOME/.cache}/kelvane}
version=10.42
debian_version=10.42-1
prefix=$cache/pcre2-$version-mingw64
if [ -f "$prefix/lib/libpcre2-8.a" ] && [ -f "$prefix/lib/pkgconfig/libpcre2-8.pc" ]; then
    echo "$prefix"
    exit 0
fi

work=$(mktemp -d /tmp/pcre2-mingw.XXXXXX)
trap 'rm -rf "$work"' EXIT
source "$here/scripts/debian_source.sh"
debian_source "$work" -qq "pcre2=$debian_version"
source=$(find "$work" -maxdepth 1 -type d -name "pcre2-$version*" | head -n 1)
[ -n "$source" ] || { echo "no pcre2 $version source in $work" >&2; exit 1; }

# Static, 8-bit only, no JIT (the limits bound a match without it), no tools or tests.
cmake -S "$source" -B "$work/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$work/prefix" -DBUILD_SHARED_LIBS=OFF \
    -DPCRE2_BUILD_PCRE2_8=ON -DPCRE2_BUILD_PCRE2_16=OFF -DPCRE2_BUILD_PCRE2_32=OFF \
    -DPCRE2_SUPPORT_JIT=OFF -DPCRE2_BUILD_PCRE2GREP=OFF -DPCRE2_BUILD_TESTS=OFF \
    -DPCRE2_SUPPORT_LIBBZ2=OFF -DPCRE2_SUPPORT_LIBZ=OFF -DPCRE2_SUPPORT_LIBEDIT=OFF \
    -DPCRE2_SUPPORT_LIBREADLINE=OFF >&2
cmake --build "$work/build" --parallel "$(nproc)" >&2
cmake --install "$work/build" >&2
pc=$work/prefix/lib/pkgconfig/libpcre2-8.pc
[ -f "$pc" ] || { echo "PCRE2's build made no $pc" >&2; exit 1; }
# A static library's users must say so, or the header declares the functions as DLL imports; and
# the folder moves into the cache, so the file names it by its own place.
sed -i -e "s|^prefix=.*|prefix=$prefix|" -e 's|^Cflags: \(.*\)|Cflags: \1 -DPCRE2_STATIC|' "$pc"
mkdir -p "$cache"
rm -rf "$prefix"
cp -a "$work/prefix" "$prefix"
echo "$prefix"
