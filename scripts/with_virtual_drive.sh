#!/usr/bin/env bash
# Usage: scripts/with_virtual_drive.sh DRIVE PROGRAM [ARGUMENTS...]
# Starts the virtual drive DRIVE, waits until its port is published where the program's port box
# looks for it, then runs PROGRAM; the drive is stopped when the program ends. A drive that fails
# stops the script with the drive's own error. Without a display the program runs on a virtual
# one (xvfb-run), where it cannot be seen. The exit status is the program's.
set -euo pipefail

if [ $# -lt 2 ]; then
    echo "Использование: $0 НАКОПИТЕЛЬ ПРОГРАММА [АРГУМЕНТЫ...]" >&2
    exit 2
fi
drive_program=$1
program=$2
shift 2

# The folder of virtual ports, by the program's own rule (PortInventory).
if [[ ${XDG_RUNTIME_DIR:-} == /* ]]; then
    ports=$XDG_RUNTIME_DIR/kelvane-ports
else
    ports=/tmp/kelvane-ports-$(id -u)
fi
link=$ports/virtual-drive

drive=""
drive_log=$(mktemp -t kelvane-drive.XXXXXX)
cleanup() {
    # The drive may have ended already: nothing here may stop the clean-up.
    if [ -n "$drive" ]; then
        kill "$drive" 2>/dev/null || true
        wait "$drive" 2>/dev/null || true
    fi
    rm -f "$drive_log"
}
trap cleanup EXIT

# A link another running drive holds is not ours: ours must point elsewhere.
taken=""
if [ -c "$link" ]; then
    taken=$(readlink "$link" || true)
fi

"$drive_program" --ports-folder "$ports" >"$drive_log" 2>&1 &
drive=$!
for _ in $(seq 100); do
    if ! kill -0 "$drive" 2>/dev/null; then
        status=0
        wait "$drive" || status=$?
        drive=""
        cat "$drive_log" >&2
        echo "Виртуальный накопитель не запустился (код $status)." >&2
        exit $((status == 0 ? 1 : status))
    fi
    if [ -c "$link" ] && [ "$(readlink "$link" || true)" != "$taken" ]; then
        break
    fi
    sleep 0.1
done
if ! [ -c "$link" ] || [ "$(readlink "$link" || true)" == "$taken" ]; then
    cat "$drive_log" >&2
    echo "Виртуальный накопитель не опубликовал порт $link за 10 с." >&2
    exit 1
fi
echo "Виртуальный накопитель готов: в программе выберите порт $link и нажмите \"Соеденить\"."

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    "$program" "$@"
else
    echo "Дисплея нет: программа работает на виртуальном дисплее (xvfb-run) и не видна." \
        "Остановка: Ctrl+C." >&2
    xvfb-run -a "$program" "$@"
fi
