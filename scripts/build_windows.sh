#!/usr/bin/env bash
# Cross-builds Kelvane's Windows programs on Debian 12 with mingw-w64: the plain C++ libraries,
# their tests and kelvane-batch.exe, in build-windows/, and makes the download
# build-windows/kelvane-batch-<version>-win64.zip (the program, README.txt, the examples).
# Installs what it needs; PCRE2 for Windows comes from scripts/build_pcre2_windows.sh (cached).
# Further arguments go to CMake, e.g. -DKELVANE_LINUX_BUILD=build for the tests with a drive.
# Prints the zip's path last.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(g++-mingw-w64-x86-64-posix wine64 libgtest-dev cmake ninja-build pkg-config dpkg-dev
    debian-archive-keyring)
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
# Optimised as the Linux build is (GCC 12 warns falsely about std::string at -O3), with the
# debugging information stripped from what goes into the zip.
cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
    -DKELVANE_WINDOWS_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVANE_WERROR=ON "$@" \
    >/dev/null
cmake --build build-windows -j "$(nproc)"

version=$(sed -n 's/^project(Kelvane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name=kelvane-batch-$version-win64
stage=build-windows/$name
rm -rf "$stage" "$stage.zip"
mkdir -p "$stage/examples"
x86_64-w64-mingw32-strip -o "$stage/kelvane-batch.exe" build-windows/tools/batch/kelvane-batch.exe
cp examples/* "$stage/examples/"
# Notepad and the console read it as UTF-8 with Windows line ends.
sed -e "s/@VERSION@/$version/" -e 's/$/\r/' packaging/windows/README.txt >"$stage/README.txt"
(cd build-windows && cmake -E tar cf "$name.zip" --format=zip "$name")
echo "$PWD/$stage.zip"
