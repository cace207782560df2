#!/usr/bin/env bash
# The real window in a real X server (Xvfb), driven from the keyboard as a
# person would: a command and a coefficients file reach jtag-uart-listen byte
# for byte, and with no board the failure box comes up and the window stays
# usable. Exit code 77 (skipped) where no X server can run here.
#
# usage: gui_end_to_end.sh SENDER LISTENER XCLOSE
set -uo pipefail

sender=$1 listener=$2 xclose=$3
skip() { echo "SKIPPED: $*"; exit 77; }
fail() { echo "FAIL: $*"; exit 1; }

work=$(mktemp -d)
source "$(dirname "$0")/xsession.sh"
trap 'stop_all; rm -rf "$work"' EXIT
start_x_server

# --- With a board ---------------------------------------------------------
printf '# gains\n1.5\r\n\n-0.25\n' >"$work/coef.txt"
"$listener" --port 0 --once --output "$work/capture" 2>"$work/listen.err" &
listener_pid=$!
pids+=("$listener_pid")
for _ in $(seq 50); do grep -q 'listening on' "$work/listen.err" && break; sleep 0.1; done
port=$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$work/listen.err")
[ -n "$port" ] || fail "jtag-uart-listen did not start: $(cat "$work/listen.err")"

JTAG_UART="tcp:127.0.0.1:$port" start_sender board "$sender"
main=$(window_named MainWindow)
[ -n "$main" ] || fail "the main window did not come up"
send_command "$main" 'abc é'
# From the command field, past "Appliquer", to the file field.
xdotool key Tab Tab
type_keys "$work/coef.txt"
xdotool key Return
sleep 0.5
close_and_check_exit "$main"

for _ in $(seq 100); do kill -0 "$listener_pid" 2>/dev/null || break; sleep 0.1; done
expect_bytes "$work/capture" 'abc \351\n1.5\n\n-0.25\n'
! grep -q -E 'Error on JTAG|ERROR DURING WRITE|WRITE COUNT' "$work/board.err" ||
    fail "the tool reported: $(cat "$work/board.err")"

# --- Without a board ------------------------------------------------------
JTAG_UART=none start_sender none "$sender"
box=$(window_named 'Echec de la connexion')
[ -n "$box" ] || fail "the box 'Echec de la connexion' did not come up"
xdotool windowfocus --sync "$box"
xdotool key Return
main=$(window_named MainWindow)
[ -n "$main" ] || fail "the main window is gone after the box"
# Still usable: a command is tried, and fails on the debug output.
send_command "$main" 'abc'
sleep 0.5
close_and_check_exit "$main"
grep -q 'Error on JTAG Link flush' "$work/none.err" || fail "no connection failure on standard error"
grep -q 'ERROR DURING WRITE' "$work/none.err" || fail "the command was not tried after the failure"
grep -q 'error = 2' "$work/none.err" || fail "the failed send did not give the open's error code"

echo "PASS: the window, driven from the keyboard, with and without a board"
