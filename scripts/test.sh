#!/usr/bin/env bash
# Installs what the build needs, checks the layers, the format and the names, builds everything
# and runs every test, in three builds:
#   build/        warnings as errors, every test (the windows offscreen); then the Debian package
#                 made from it is checked, installed, started and removed (scripts/check_package.sh)
#   build-asan/   AddressSanitizer + UndefinedBehaviorSanitizer, every test
#   build-tsan/   ThreadSanitizer, the tests of the plain C++ libraries (Qt itself is not
#                 instrumented, so the window tests would only report Qt's own internals)
# KELVANE_STAGES limits the run to some of them, e.g. KELVANE_STAGES="plain tsan"; the stages
# are plain, package, asan and tsan.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
# The layers, the format and the names first: each fails in a second or two, before any build.
bash scripts/check_layers.sh
bash scripts/check_format.sh
bash scripts/check_naming.sh

stages=${KELVANE_STAGES:-"plain package asan tsan"}
jobs=$(nproc)

run_stage() {
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja -DKELVANE_WERROR=ON "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
    ctest --test-dir "$dir" --output-on-failure -j "$jobs" --timeout 600
}

for stage in $stages; do
    echo "=== $stage ==="
    case $stage in
    plain) run_stage build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVANE_FUZZ=ON ;;
    package) bash scripts/check_package.sh build ;;
    asan) run_stage build-asan -DCMAKE_BUILD_TYPE=Debug -DKELVANE_ASAN=ON -DKELVANE_BENCH=OFF ;;
    tsan) run_stage build-tsan -DCMAKE_BUILD_TYPE=Debug -DKELVANE_TSAN=ON -DKELVANE_GUI=OFF \
        -DKELVANE_BENCH=OFF ;;
    *) echo "unknown stage: $stage" >&2; exit 2 ;;
    esac
done
