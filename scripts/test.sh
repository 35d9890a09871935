#!/usr/bin/env bash
# Installs what the build needs, checks the layers, the format and the names, builds everything
# and runs every test, in three builds:
#   build/        GCC, optimised, warnings as errors: the program, the tools and the benchmarks,
#                 no tests; the Debian package made from it is then checked, installed, started
#                 and removed (scripts/check_package.sh)
#   build-asan/   clang, AddressSanitizer + UndefinedBehaviorSanitizer, every test, and the
#                 dBase engine's fuzz target over its regression inputs
#   build-tsan/   clang, ThreadSanitizer, the tests of the plain C++ libraries (Qt itself is not
#                 instrumented, so the window tests would only report Qt's own internals)
#   build-windows/  mingw-w64 and Qt for Windows (scripts/build_windows.sh): the libraries,
#                 kelvane.exe, kelvane-batch.exe and their tests, run under Wine (the window
#                 tests offscreen; against the virtual drive of build/ where they need a drive),
#                 the downloads, and the installer tried in a fresh Wine prefix on Xvfb, which
#                 leaves the program's screenshots in build-windows/screenshots/
# Each build is made once: the tests run where they find the most, and clang builds the
# sanitized code in about half the time GCC takes.
# KELVANE_STAGES limits the run to some of them, e.g. KELVANE_STAGES="plain tsan"; the stages
# are plain, package, windows, asan and tsan.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
# The layers, the format, the names and the translation first: each fails in a second or two,
# before any build.
bash scripts/check_layers.sh
bash scripts/check_format.sh
bash scripts/check_naming.sh
bash scripts/check_translations.sh

stages=${KELVANE_STAGES:-"plain package windows asan tsan"}
jobs=$(nproc)

# Usage: build_stage FOLDER COMPILER CMAKE-OPTIONS..., COMPILER c++ (the system's, GCC) or clang++
build_stage() {
    local dir=$1 compiler=$2
    shift 2
    # CMake cannot switch the compiler of a build folder: one made with another starts anew.
    if [ -f "$dir/CMakeCache.txt" ] \
        && ! grep -q "^CMAKE_CXX_COMPILER:[A-Z]*=\(.*/\)\?$compiler\$" "$dir/CMakeCache.txt"; then
        rm -rf "$dir"
    fi
    local c=cc
    [ "$compiler" = clang++ ] && c=clang
    cmake -S . -B "$dir" -G Ninja -DKELVANE_WERROR=ON -DCMAKE_C_COMPILER="$c" \
        -DCMAKE_CXX_COMPILER="$compiler" "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
}

test_stage() {
    build_stage "$@"
    ctest --test-dir "$1" --output-on-failure -j "$jobs" --timeout 600
}

for stage in $stages; do
    echo "=== $stage ==="
    case $stage in
    plain) build_stage build c++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVANE_TESTS=OFF ;;
    package) bash scripts/check_package.sh build ;;
    windows)
        # The Windows tests talk to the Linux virtual drive, and kelvane-batch.exe must do what
        # the Linux one does: plain's build has both.
        cmake -S . -B build -G Ninja -DKELVANE_WERROR=ON -DCMAKE_C_COMPILER=cc \
            -DCMAKE_CXX_COMPILER=c++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
            -DKELVANE_TESTS=OFF >/dev/null
        cmake --build build -j "$jobs" --target kelvane-virtual-drive kelvane-batch
        bash scripts/build_windows.sh -DKELVANE_LINUX_BUILD="$PWD/build"
        ctest --test-dir build-windows --output-on-failure -j "$jobs" --timeout 600
        ;;
    asan) test_stage build-asan clang++ -DCMAKE_BUILD_TYPE=Debug -DKELVANE_ASAN=ON \
        -DKELVANE_BENCH=OFF -DKELVANE_FUZZ=ON ;;
    tsan) test_stage build-tsan clang++ -DCMAKE_BUILD_TYPE=Debug -DKELVANE_TSAN=ON \
        -DKELVANE_GUI=OFF -DKELVANE_BENCH=OFF ;;
    *) echo "unknown stage: $stage" >&2; exit 2 ;;
    esac
done
