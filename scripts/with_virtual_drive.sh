#!/usr/bin/env bash
# Usage: scripts/with_virtual_drive.sh DRIVE PROGRAM [ARGUMENTS...]
# Starts the virtual drive DRIVE, waits until its port is published where the program's port box
# looks for it, then runs PROGRAM; the drive is stopped when the program ends. A drive that fails
# stops the script with the drive's own error. Without a display the program runs on a virtual
# one (xvfb-run), where it cannot be seen. The exit status is the program's. What it prints is
# Russian or English by the locale, as the program's tools choose.
set -euo pipefail

# The tools' rule: the first of LC_ALL, LC_MESSAGES and LANG that is set names the locale, and
# LANGUAGE's first entry goes before it unless that locale is C or POSIX; Russian for Russian and
# under C or POSIX (or nothing set), English for any other language.
english=0
locale=${LC_ALL:-${LC_MESSAGES:-${LANG:-}}}
if ! [[ -z $locale || $locale == C || $locale == POSIX || $locale == C.* ]]; then
    language=$locale
    IFS=: read -ra preferred <<<"${LANGUAGE:-}"
    for entry in "${preferred[@]}"; do
        if [ -n "$entry" ]; then
            language=$entry
            break
        fi
    done
    [[ ${language,,} =~ ^ru($|[_.@-]) ]] || english=1
fi
# say RUSSIAN ENGLISH: the text in the language chosen.
say() {
    if [ "$english" = 1 ]; then echo "$2"; else echo "$1"; fi
}

if [ $# -lt 2 ]; then
    say "Использование: $0 НАКОПИТЕЛЬ ПРОГРАММА [АРГУМЕНТЫ...]" \
        "Usage: $0 DRIVE PROGRAM [ARGUMENTS...]" >&2
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
        say "Виртуальный накопитель не запустился (код $status)." \
            "The virtual drive did not start (status $status)." >&2
        exit $((status == 0 ? 1 : status))
    fi
    if [ -c "$link" ] && [ "$(readlink "$link" || true)" != "$taken" ]; then
        break
    fi
    sleep 0.1
done
if ! [ -c "$link" ] || [ "$(readlink "$link" || true)" == "$taken" ]; then
    cat "$drive_log" >&2
    say "Виртуальный накопитель не опубликовал порт $link за 10 с." \
        "The virtual drive did not publish the port $link within 10 s." >&2
    exit 1
fi
say "Виртуальный накопитель готов: в программе выберите порт $link и нажмите \"Соеденить\"." \
    "The virtual drive is ready: in the program pick the port $link and press \"Connect\"."

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    "$program" "$@"
else
    say "Дисплея нет: программа работает на виртуальном дисплее (xvfb-run) и не видна. Остановка: Ctrl+C." \
        "No display: the program runs on a virtual one (xvfb-run) and cannot be seen. Ctrl+C stops it." >&2
    xvfb-run -a "$program" "$@"
fi
