#!/usr/bin/env bash
# Usage: scripts/check_package.sh [BUILD_FOLDER]
# Checks the Debian package made from BUILD_FOLDER (build/ by default) the way a user meets it:
# lintian, the desktop entry and the AppStream metainfo it holds; then installs it with apt,
# starts the installed program on a virtual display as an unprivileged user with an empty home,
# under the C locale and in English, waits each time for its own copy of the command table in
# that language and its main window, ends it, removes the package and checks that the package's
# files are gone. Installing needs root or sudo. A kelvane already installed on the machine is
# not touched: the installation part is then left out.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

deb=$(bash scripts/package.sh "$build" | tail -n 1)
echo "Пакет: $deb"

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
work=$(mktemp -d -t kelvane-package.XXXXXX)
home=""
runtime=""
installed=""
display_pid=""
program_pid=""
cleanup() {
    if [ -n "$program_pid" ]; then
        kill "$program_pid" 2>/dev/null || true
        wait "$program_pid" 2>/dev/null || true
    fi
    if [ -n "$display_pid" ]; then
        kill "$display_pid" 2>/dev/null || true
        wait "$display_pid" 2>/dev/null || true
    fi
    # A check that failed half-way leaves no package behind on the machine.
    [ -z "$installed" ] || $sudo apt-get remove -y -qq kelvane >/dev/null 2>&1 || true
    rm -rf "$work"
    [ -z "$home" ] || $sudo rm -rf "$home"
    [ -z "$runtime" ] || $sudo rm -rf "$runtime"
}
trap cleanup EXIT

fail() {
    echo "ОШИБКА: $*" >&2
    exit 1
}

echo "--- lintian"
# The one warning allowed: the first changelog entry closes no Debian bug, because the package
# is not an upload to Debian and so has no "intent to package" bug to close.
lintian --fail-on error,warning --suppress-tags initial-upload-closes-no-bugs "$deb"

echo "--- desktop entry, metainfo"
dpkg-deb -x "$deb" "$work/root"
report=$(desktop-file-validate "$work/root/usr/share/applications/kelvane.desktop")
[ -z "$report" ] || fail "desktop-file-validate: $report"
appstreamcli validate --no-net "$work"/root/usr/share/metainfo/*.metainfo.xml

if dpkg-query -W -f='${Status}' kelvane 2>/dev/null | grep -q 'install ok installed'; then
    echo "kelvane уже установлен на этой машине: проверка установки пропущена."
    exit 0
fi

echo "--- install"
installed=yes
$sudo apt-get install -y -qq "$deb" >/dev/null
installed_files=$(dpkg-deb -c "$deb" | awk '$1 ~ /^-/ { sub(/^\./, "", $6); print $6 }')
for file in $installed_files; do
    [ -f "$file" ] || fail "после установки нет $file"
done

echo "--- first start as an unprivileged user with an empty home"
# nobody: no groups, no home of its own; the program finds no table in the empty current folder
# and none in the user's data folder, so it has to make its own copy of the default one: the
# Russian under the C locale, the English one for an English user.
runtime=$(mktemp -d -t kelvane-runtime.XXXXXX)
$sudo chown 65534:65534 "$runtime"
Xvfb -displayfd 3 -ac -nolisten tcp -screen 0 1024x768x24 3>"$work/display" \
    >"$work/xvfb.log" 2>&1 &
display_pid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || fail "Xvfb не запустился: $(cat "$work/xvfb.log")"
display=:$(tr -d '\n' <"$work/display")

# Usage: first_start LANG DEFAULT_TABLE
first_start() {
    local lang=$1 default=$2
    [ -z "$home" ] || $sudo rm -rf "$home"
    home=$(mktemp -d -t kelvane-home.XXXXXX)
    $sudo chown 65534:65534 "$home"
    (cd "$home" && exec $sudo env -i HOME="$home" PATH=/usr/bin:/bin DISPLAY="$display" \
        XDG_RUNTIME_DIR="$runtime" LANG="$lang" \
        setpriv --reuid=65534 --regid=65534 --clear-groups kelvane) \
        >"$work/program.log" 2>&1 &
    program_pid=$!
    local copy=$home/.local/share/kelvane/com.dbf
    local title="Kelvane 0.99b rev 4"
    local shown=""
    for _ in $(seq 200); do
        kill -0 "$program_pid" 2>/dev/null || fail "программа завершилась: $(cat "$work/program.log")"
        if [ -f "$copy" ] && DISPLAY=$display xwininfo -root -tree | grep -qF "\"$title\""; then
            shown=yes
            break
        fi
        sleep 0.1
    done
    [ -n "$shown" ] || fail "за 20 с нет копии $copy или окна \"$title\": $(cat "$work/program.log")"
    [ "$(stat -c %u "$copy")" = 65534 ] || fail "копия таблицы принадлежит не пользователю"
    cmp -s "$copy" "$default" || fail "LANG=$lang: копия таблицы отличается от $default"
    sleep 1
    kill -0 "$program_pid" 2>/dev/null || fail "программа завершилась: $(cat "$work/program.log")"
    echo "LANG=$lang: окно \"$title\" открыто, таблица $default скопирована в $copy."
    kill "$program_pid"
    wait "$program_pid" 2>/dev/null || true
    program_pid=""
}
first_start C.UTF-8 /usr/share/kelvane/com.dbf
first_start en_US.UTF-8 /usr/share/kelvane/com_en.dbf

echo "--- remove"
$sudo apt-get remove -y -qq kelvane >/dev/null
installed=""
for file in $installed_files; do
    [ ! -e "$file" ] || fail "после удаления остался $file"
done
echo "Пакет установлен, запущен и удалён."
