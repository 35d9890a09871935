#!/usr/bin/env bash
# Usage: scripts/package.sh [BUILD_FOLDER]
# Makes the Debian package kelvane_<version>_<arch>.deb from the build in BUILD_FOLDER (build/
# by default), configuring it and building what the package holds first where that is needed,
# and leaves it in BUILD_FOLDER/package/. The last line printed is the package's path.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

bash scripts/setup.sh
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
if [ ! -f "$build/CPackConfig.cmake" ]; then
    echo "Сборка $build не годится для пакета (нужна сборка с окнами и без санитайзеров)." >&2
    exit 1
fi
cmake --build "$build" -j "$(nproc)" --target kelvane kelvane-virtual-drive kelvane_package_files

rm -rf "$build/package"
if ! log=$(cpack --config "$build/CPackConfig.cmake" -B "$build/package" 2>&1); then
    echo "$log" >&2
    exit 1
fi
packages=("$build"/package/kelvane_*.deb)
if [ ${#packages[@]} -ne 1 ] || [ ! -f "${packages[0]}" ]; then
    echo "CPack не оставил ровно один пакет в $build/package." >&2
    exit 1
fi
realpath "${packages[0]}"
