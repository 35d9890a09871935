#!/usr/bin/env bash
# kelvane-batch.exe under Wine against the virtual drive on $KELVANE_WINE_PORT (with_drive_port.sh
# publishes it at LINK): the examples give the same output and exit status as the Linux build's
# kelvane-batch on the same drive, and so do a failing step, a missing file and a missing port;
# Ctrl+C (SIGINT, which Wine hands to the console's handler) ends a run with 130.
# usage: batch_under_wine.sh WINE-RUN BATCH.EXE LINUX-BATCH EXAMPLES LINK WORK
set -uo pipefail
run=$1 exe=$2 linux=$3 examples=$4 link=$5 work=$6
port=$KELVANE_WINE_PORT
rm -rf "$work"
mkdir -p "$work"
failures=0
fail() {
    echo "FAILED: $*" >&2
    failures=$((failures + 1))
}
# Times of day differ from run to run, and Windows ends its text lines with CR LF; the rest
# must not differ.
untimed() {
    sed -E -e 's/[0-9]{2}:[0-9]{2}:[0-9]{2}\.[0-9]{3}/HH:MM:SS.mmm/g' -e 's/\r$//' "$1"
}

# Usage: both NAME PROCEDURE EXPECTED-STATUS: runs the procedure with both programs.
both() {
    local name=$1 procedure=$2 expected=$3
    "$linux" --port "$link" "$procedure" >"$work/$name.linux" 2>&1
    local linuxStatus=$?
    "$run" "$exe" --port "$port" "$procedure" >"$work/$name.windows" 2>&1
    local windowsStatus=$?
    [ "$linuxStatus" = "$expected" ] || fail "$name: Linux exit status $linuxStatus, not $expected"
    [ "$windowsStatus" = "$expected" ] || fail "$name: Windows exit status $windowsStatus, not $expected"
    if ! diff <(untimed "$work/$name.linux") <(untimed "$work/$name.windows") >"$work/$name.diff"
    then
        fail "$name: the outputs differ"
        cat "$work/$name.diff" >&2
    fi
}

for example in "$examples"/*.txt; do
    both "$(basename "$example" .txt)" "$example" 0
done
printf 'level 1\nexpect никогда 1\n' >"$work/fails.txt"
both fails "$work/fails.txt" 1
both missing-file "$work/Нет такого файла.txt" 2

"$run" "$exe" --port '\\.\KelvaneNoSuchPort' "$examples/rom-version.txt" >"$work/no-port" 2>&1
status=$?
[ "$status" = 2 ] || fail "a missing port: exit status $status, not 2"
grep -q "Попытка открыть несуществующий COM-порт" "$work/no-port" \
    || fail "a missing port: $(cat "$work/no-port")"

printf 'level 1\nwait 60\n' >"$work/waits.txt"
"$run" "$exe" --port "$port" "$work/waits.txt" >"$work/interrupted" 2>&1 &
pid=$!
for _ in $(seq 200); do
    grep -q 'wait 60' "$work/interrupted" && break
    sleep 0.1
done
kill -INT "$pid"
for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
    fail "Ctrl+C did not end the run within 10 s"
    kill -KILL "$pid"
fi
wait "$pid"
status=$?
[ "$status" = 130 ] || fail "Ctrl+C: exit status $status, not 130: $(cat "$work/interrupted")"

[ "$failures" = 0 ] && echo "kelvane-batch.exe under Wine: as on Linux"
exit "$failures"
