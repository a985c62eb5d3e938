#!/usr/bin/env bash
# Runs the real program on an X display of its own (Xvfb) and drives it with
# real key events from xdotool: type the address of a page of the local test
# server, Tab, Space; the end time must appear in the result box; Esc must end
# the process with exit code 0. Without a display it must end with -1. Started
# with arguments that Qt would honour if the program passed them on, which it
# must not.
# Usage: run_under_xvfb.sh <norvique>   (NORVIQUE_PAGE_SERVER names the server)
set -euo pipefail
program=$1
port=$(cat "$NORVIQUE_PAGE_SERVER/port")
address="http://127.0.0.1:$port/ends/1368346611"
expected="2013年5月12日16时16分51秒"

work=$(mktemp -d)
xvfb_pid=
program_pid=
finish() {
    [ -z "$program_pid" ] || kill "$program_pid" 2>/dev/null || true
    [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap finish EXIT
fail() {
    echo "run_under_xvfb: $*" >&2
    [ ! -s "$work/program.log" ] || { echo "--- program output:" >&2; cat "$work/program.log" >&2; }
    exit 1
}

# The first display number that no X server holds.
n=120
while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do
    n=$((n + 1))
    [ $n -lt 300 ] || fail "no free X display"
done
# Before the server is there: no display to connect to is a fatal error,
# which ends the program with exit code -1.
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
status=0
DISPLAY=":$n" timeout 20 "$program" </dev/null >"$work/program.log" 2>&1 || status=$?
[ "$status" -eq 255 ] || fail "without a display: exit code $status, expected 255 (-1)"

Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -e "/tmp/.X11-unix/X$n" ] && break
    sleep 0.1
done
[ -e "/tmp/.X11-unix/X$n" ] || fail "Xvfb did not start"
export DISPLAY=":$n"

"$program" -platform offscreen -geometry 10x10+0+0 </dev/null >"$work/program.log" 2>&1 &
program_pid=$!

window=$(timeout 20 xdotool search --sync --name '^Norvique$' | head -n 1) ||
    fail "the window did not appear on the display"
# No window manager runs, so the window is given the input focus directly.
xdotool windowfocus --sync "$window"
xdotool type --delay 10 "$address"
xdotool key Tab space
# Once the result is there: Tab on to 编辑框2, select it whole and copy it.
xdotool key Tab ctrl+a ctrl+c
result=
for _ in $(seq 100); do
    result=$(timeout 2 xclip -o -selection clipboard 2>/dev/null || true)
    [ "$result" = "$expected" ] && break
    sleep 0.1
done
[ "$result" = "$expected" ] || fail "result box shows '$result', expected '$expected'"

xdotool key Escape
for _ in $(seq 100); do
    kill -0 "$program_pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$program_pid" 2>/dev/null && fail "Esc did not end the program"
status=0
wait "$program_pid" || status=$?
program_pid=
[ "$status" -eq 0 ] || fail "exit code $status, expected 0"
echo "run_under_xvfb: '$result' shown; Esc ended the program with exit code 0"
