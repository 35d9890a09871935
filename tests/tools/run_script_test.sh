#!/usr/bin/env bash
# The script that starts the program with a virtual drive: it waits for the drive's published
# port, stops with the drive's error when the drive fails (also when another drive holds the
# port's name), cleans up after a drive that has already ended, and says how to stop a program
# it runs on a virtual display, in the locale's language. Fake programs stand in for the
# program; the drive is real except where it must die on cue.
# Usage: run_script_test.sh WITH_VIRTUAL_DRIVE_SH VIRTUAL_DRIVE
set -uo pipefail
script=$1
drive=$2

work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; wait; rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR=$work/runtime TMPDIR=$work/tmp
mkdir -m 700 "$XDG_RUNTIME_DIR" && mkdir "$TMPDIR"
link=$XDG_RUNTIME_DIR/kelvane-ports/virtual-drive
passed=0 failed=0
check() { # check DESCRIPTION COMMAND...
    if "${@:2}"; then
        echo "ok: $1"
        passed=$((passed + 1))
    else
        echo "FAILED: $1"
        failed=$((failed + 1))
    fi
}
no_leftovers() { [ -z "$(ls -A "$TMPDIR")" ]; }

# A program that notes it ran and whether the port box would list the drive's port.
program=$work/program.sh
cat >"$program" <<PROGRAM
#!/usr/bin/env bash
echo ran >"$work/ran"
"$drive" --inventory | grep -qxF "$link" && echo listed >>"$work/ran"
exit \${PROGRAM_STATUS:-0}
PROGRAM
chmod +x "$program"

# 1. Another running drive holds the name: ours fails, and the program must not start.
"$drive" --ports-folder "$XDG_RUNTIME_DIR/kelvane-ports" >/dev/null 2>&1 &
other=$!
for _ in $(seq 100); do [ -c "$link" ] && break; sleep 0.1; done
DISPLAY=:99 bash "$script" "$drive" "$program" >"$work/out" 2>"$work/err"
status=$?
check "a failing drive stops the script" [ "$status" -ne 0 ]
check "with the drive's own error" grep -q "уже занят" "$work/err"
check "and the program never starts" [ ! -e "$work/ran" ]
check "and no temporary log is left" no_leftovers
kill "$other" && wait "$other"

# 2. A drive that publishes its port and ends before the program does.
fake_drive=$work/drive.sh
cat >"$fake_drive" <<FAKE
#!/usr/bin/env bash
mkdir -p -m 700 "\$2" && ln -sf /dev/null "\$2/virtual-drive"
sleep 0.3
FAKE
chmod +x "$fake_drive"
slow_program=$work/slow.sh
printf '#!/usr/bin/env bash\nsleep 1\nexit 3\n' >"$slow_program"
chmod +x "$slow_program"
DISPLAY=:99 bash "$script" "$fake_drive" "$slow_program" >"$work/out" 2>"$work/err"
status=$?
check "the program's exit status is the script's" [ "$status" -eq 3 ]
check "the clean-up gets past a drive that has ended" no_leftovers
rm -f "$link"

# 3. No display: the program runs on a virtual one, and the user is told so and how to stop it.
rm -f "$work/ran"
env -u DISPLAY -u WAYLAND_DISPLAY bash "$script" "$drive" "$program" >"$work/out" 2>"$work/err"
status=$?
check "the program runs" [ "$status" -eq 0 -a -e "$work/ran" ]
check "once the port box lists the drive's port" grep -qx listed "$work/ran"
check "the user learns the program cannot be seen" grep -q "не видна" "$work/err"
check "and how to stop it" grep -q "Ctrl+C" "$work/err"
check "the drive is stopped afterwards" [ ! -e "$link" ]
check "no temporary log is left" no_leftovers

# 4. The same in an English locale: the script says it in English, as the drive does.
LC_ALL=en_US.UTF-8 env -u DISPLAY -u WAYLAND_DISPLAY bash "$script" "$drive" "$program" \
    >"$work/out" 2>"$work/err"
check "in English for an English locale" grep -q "cannot be seen" "$work/err"
check "its ready line too" grep -q "press \"Connect\"" "$work/out"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
