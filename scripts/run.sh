#!/usr/bin/env bash
# Installs what is needed, builds the program and the virtual drive, starts the drive on a
# pseudo-terminal and then the program. In the program pick the port that ends in
# "virtual-drive", press "Соеденить" and type (try /1 then Enter, or the menus).
# Without a display the program runs on a virtual one (xvfb-run) and cannot be seen.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target kelvane kelvane-virtual-drive

drive_log=$(mktemp -t kelvane-drive.XXXXXX)
build/tools/virtual_drive/kelvane-virtual-drive >"$drive_log" 2>&1 &
drive=$!
trap 'kill "$drive" 2>/dev/null; wait "$drive" 2>/dev/null; rm -f "$drive_log"' EXIT
for _ in $(seq 50); do
    grep -q virtual-drive "$drive_log" && break
    kill -0 "$drive" 2>/dev/null || { cat "$drive_log" >&2; exit 1; }
    sleep 0.1
done
head -n 1 "$drive_log"

# The program looks for its command table in the current folder, then beside itself.
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    build/src/app/kelvane
else
    echo "No display: running on a virtual one (xvfb-run)." >&2
    xvfb-run -a build/src/app/kelvane
fi
