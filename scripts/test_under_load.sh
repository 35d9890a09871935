#!/usr/bin/env bash
# The whole test suite (the ASan build of scripts/test.sh) on a busy machine: stress-ng keeps every
# core busy while the suite runs three times in a row, each run with the same parallelism as CI.
# A test that reads a result before it has come, or after a fixed pause, fails here. Too slow
# for CI; run it after changing a test's waits or anything timed, and before a release.
#   bash scripts/test_under_load.sh [RUNS]       (default 3)
# Each run's output is kept in build-asan/load-run-N.log; the script ends with a line per run
# (its time and its failed tests) and fails when any run failed.
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-3}
jobs=$(nproc)

bash scripts/setup.sh
if ! command -v stress-ng >/dev/null; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends stress-ng
fi

# The build is made before the load starts: it is the tests that are to be tried under it.
if [ -f build-asan/CMakeCache.txt ] && ! grep -q '^CMAKE_CXX_COMPILER:[A-Z]*=\(.*/\)\?clang++$' \
    build-asan/CMakeCache.txt; then
    rm -rf build-asan
fi
cmake -S . -B build-asan -G Ninja -DKELVANE_WERROR=ON -DCMAKE_C_COMPILER=clang \
    -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug -DKELVANE_ASAN=ON -DKELVANE_BENCH=OFF \
    -DKELVANE_FUZZ=ON >/dev/null
cmake --build build-asan -j "$jobs"

stress-ng --cpu "$jobs" --quiet &
load=$!
trap 'kill "$load" 2>/dev/null; wait "$load" 2>/dev/null || true' EXIT

summary=()
failed_runs=0
for run in $(seq "$runs"); do
    log=build-asan/load-run-$run.log
    started=$(date +%s)
    status=0
    ctest --test-dir build-asan --output-on-failure -j "$jobs" --timeout 900 >"$log" 2>&1 || status=$?
    seconds=$(($(date +%s) - started))
    result=$(grep -E '^[0-9]+% tests passed' "$log" || echo "no result")
    failures=$(sed -n '/The following tests FAILED:/,$p' "$log" | grep -E '^\s+[0-9]+ - ' \
        | tr -s ' \n' ' ' || true)
    summary+=("run $run: ${seconds} s, $result${failures:+; failed:$failures}")
    echo "${summary[-1]}"
    [ "$status" -eq 0 ] || failed_runs=$((failed_runs + 1))
done

echo "=== under load ($(nproc) cores kept busy by stress-ng) ==="
printf '%s\n' "${summary[@]}"
[ "$failed_runs" -eq 0 ]
