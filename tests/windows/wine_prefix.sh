#!/usr/bin/env bash
# The tests' Wine prefix. boot: makes it (once; about 15 s), maps COM7 to COM9 to links in
# the ports folder (they exist only while a test's virtual drive publishes itself there), and
# keeps one wine server running for the whole test run, so each test starts in a fraction of a
# second. stop: ends that server.
# usage: wine_prefix.sh boot|stop WINE-RUN WINESERVER PREFIX PORTS
set -euo pipefail
action=$1 run=$2 server=$3 prefix=$4 ports=$5
export WINEPREFIX=$prefix WINEDEBUG=-all
log=$prefix.log
# Wine's processes outlive this script: none may hold CTest's output open.
quiet() {
    "$@" </dev/null >>"$log" 2>&1
}

if [ "$action" = stop ]; then
    quiet "$server" -k || true
    exit 0
fi

: >"$log"
mkdir -p "$ports"
chmod 700 "$ports"
quiet "$server" -k || true
quiet "$server" -w
mapping="COM7 COM8 COM9 -> $ports"
if [ "$(cat "$prefix/.kelvane-ports" 2>/dev/null)" != "$mapping" ]; then
    rm -rf "$prefix"
    quiet "$run" wineboot --init
    for n in 7 8 9; do
        quiet "$run" reg add 'HKLM\Software\Wine\Ports' /v "COM$n" /t REG_SZ /d "$ports/com$n" /f
    done
    # The mapping is read when the prefix's services start: stop them, the next start maps.
    quiet "$server" -w
    echo "$mapping" >"$prefix/.kelvane-ports"
fi
quiet "$server" -p
quiet "$run" wineboot
for n in 7 8 9; do
    [ "$(readlink "$prefix/dosdevices/com$n")" = "$ports/com$n" ] \
        || { echo "COM$n is not mapped to $ports/com$n: see $log" >&2; exit 1; }
done
