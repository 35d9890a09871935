#!/usr/bin/env bash
# Runs a command while a virtual drive is published as the link PORTS/comN, which the tests' Wine
# prefix maps to COMN; the command gets KELVANE_WINE_PORT=COMN and, named as a Windows program
# names it, the drive's log of what it received in KELVANE_WINE_DRIVE_LOG. The drive ends with
# the command.
# usage: with_drive_port.sh VIRTUAL-DRIVE PORTS N COMMAND...
set -euo pipefail
drive=$1 ports=$2 n=$3
shift 3
link=$ports/com$n
# Not com$n.log: Windows takes any name "COMn.ext" for the port itself.
log=$ports/received-$n.log
# A drive of an earlier run that was killed with its test (a time-out) still holds the name.
if [ -f "$link.pid" ] && grep -q kelvane-virtual-drive "/proc/$(cat "$link.pid")/cmdline" 2>/dev/null
then
    kill "$(cat "$link.pid")" 2>/dev/null || true
    for _ in $(seq 50); do [ -L "$link" ] || break; sleep 0.1; done
fi
"$drive" --ports-folder "$ports" --name "com$n" --log "$log" >"$link.out" &
pid=$!
echo "$pid" >"$link.pid"
trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null || true' EXIT
# Only the drive's own word that it is ready makes the link its own: a link left behind may
# point at somebody else's terminal.
for _ in $(seq 100); do
    grep -q "$link" "$link.out" && break
    kill -0 "$pid" 2>/dev/null || { echo "the virtual drive did not start" >&2; exit 1; }
    sleep 0.1
done
grep -q "$link" "$link.out" || { echo "the virtual drive did not publish $link" >&2; exit 1; }
KELVANE_WINE_PORT=COM$n KELVANE_WINE_DRIVE_LOG="Z:$log" "$@"
