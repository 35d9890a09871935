#!/usr/bin/env bash
# The Windows download as a new user meets it, under Wine in a prefix of its own (a fresh profile):
# the installer installs the program without asking (/S) into the user's programs folder with a
# Start-menu entry; the program starts from there on a screen (Xvfb, the "windows" platform, not
# offscreen), copies the default command table into the user's folder and shows its window, in
# Russian and then, as an English user's first start, with --lang en, each kept as a screenshot in
# SHOTS; it ends when Windows asks it to close and when the session ends (its place is saved either
# way); the uninstaller removes the program and the entry and leaves the user's table and settings.
# usage: installer_under_wine.sh WINE WINESERVER SETUP.EXE PREFIX SHOTS
set -euo pipefail
# The program needs a screen: a virtual one of its own.
if [ -z "${KELVANE_XVFB:-}" ]; then
    KELVANE_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$@"
fi
wine=$1 server=$2 setup=$3 prefix=$4 shots=$5
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
# A Russian user's Windows; the profile's folders have plain names, as glibc here has no ru_RU.
win() { LC_ALL=ru_RU.UTF-8 "$wine" "$@"; }
fail() { echo "installer_under_wine: $*" >&2; exit 1; }
# Polls CONDITION (a command) every tenth of a second for at most SECONDS.
wait_for() {
    local seconds=$1
    shift
    for _ in $(seq $((seconds * 10))); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

"$server" -k 2>/dev/null || true
rm -rf "$prefix"
win wineboot --init >/dev/null 2>&1
"$server" -w
user=$(ls "$prefix/drive_c/users" | grep -vx Public | head -n 1)
profile=$prefix/drive_c/users/$user
programs=$profile/AppData/Local/Programs/Kelvane
entry="$profile/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Kelvane.lnk"
own=$profile/AppData/Roaming/Kelvane

win "$setup" /S
"$server" -w
[ -f "$programs/kelvane.exe" ] || fail "no kelvane.exe in $programs"
[ -f "$programs/platforms/qwindows.dll" ] || fail "no Qt platform plugin installed"
[ -f "$entry" ] || fail "no Start-menu entry"
[ ! -e "$own" ] || fail "the installer touched the user's folder"

# Takes the screen into FILE once the window is up and two looks at it agree (painting is done).
shoot() {
    local file=$1 before=$shots/.before.png
    wait_for 60 sh -c 'xdotool search --onlyvisible --name "^Kelvane" >/dev/null 2>&1' \
        || fail "no window for $file"
    import -window root "$before"
    for _ in $(seq 100); do
        sleep 0.2
        import -window root "$file"
        cmp -s "$before" "$file" && break
        cp "$file" "$before"
    done
    rm -f "$before"
}

# Runs the installed program with ARGS on the screen, shoots it into FILE and ends it as HOW says:
# "close", Windows' polite request (taskkill without /F: WM_CLOSE to its windows), or "logoff",
# the end of the session (WM_QUERYENDSESSION and WM_ENDSESSION, then the system ends what is
# left). Either way the window's place is saved and the status is 0.
show() {
    local file=$1 how=$2
    shift 2
    rm -f "$own/kelvane.ini"
    (cd "$programs" && win kelvane.exe "$@") &
    local pid=$!
    shoot "$file"
    case $how in
    close) win taskkill /IM kelvane.exe >/dev/null 2>&1 ;;
    logoff) win wineboot --end-session >/dev/null 2>&1 ;;
    esac
    wait_for 30 sh -c "! kill -0 $pid 2>/dev/null" || fail "the program did not end ($how)"
    local status=0
    wait "$pid" || status=$?
    [ "$status" -eq 0 ] || fail "the program ended with status $status ($how)"
    grep -q '^geometry=' "$own/kelvane.ini" || fail "the window's place was not saved ($how)"
}

mkdir -p "$shots"
show "$shots/kelvane-ru.png" close
[ -f "$own/com.dbf" ] || fail "the first start did not copy the command table to $own"
# Then as an English user's first start: the English default table is the one copied.
rm "$own/com.dbf"
show "$shots/kelvane-en.png" logoff --lang en
# The same table after its header's date (bytes 1 to 3), which opening it for writing renews.
cmp -s -i 4 "$own/com.dbf" "$programs/tables/com_en.dbf" \
    || fail "an English start copied another table"

# The uninstaller runs from a copy of itself in the temporary folder: wait for all to end.
win "$programs/uninstall.exe" /S
"$server" -w
[ ! -e "$programs" ] || fail "the uninstaller left $(ls "$programs")"
[ ! -e "$entry" ] || fail "the uninstaller left the Start-menu entry"
[ -f "$own/com.dbf" ] && [ -f "$own/kelvane.ini" ] || fail "the uninstaller took the user's files"
"$server" -k 2>/dev/null || true
echo "installed, started, shown, closed, logged off and removed; screenshots in $shots"
