#!/usr/bin/env bash
# Installs what is needed, builds the program and the virtual drive, starts the drive on a
# pseudo-terminal and then the program. In the program pick the port that ends in
# "virtual-drive", press "Соеденить" ("Connect" in English) and type (try /1 then Enter, or the
# menus). The program's language follows the system's, or --lang: bash scripts/run.sh --lang en.
# Without a display the program runs on a virtual one (xvfb-run) and cannot be seen.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target kelvane kelvane-virtual-drive

# The program looks for its command table in the current folder, then beside itself.
exec bash scripts/with_virtual_drive.sh build/tools/virtual_drive/kelvane-virtual-drive \
    build/src/app/kelvane "$@"
