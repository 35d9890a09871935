#!/usr/bin/env bash
# Checks that every C++ source is formatted by the committed .clang-format; names each file that
# is not. `clang-format -i FILE` formats one.
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files -z -- 'src/*.h' 'src/*.cpp' 'tools/*.h' 'tools/*.cpp' 'tests/*.h' 'tests/*.cpp' \
    'bench/*.h' 'bench/*.cpp' 'fuzz/*.h' 'fuzz/*.cpp' |
    xargs -0 -P "$(nproc)" -n 20 clang-format --dry-run --Werror
