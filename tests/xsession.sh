# Shell helpers for the tests that drive a real window in Xvfb; sourced.
# The caller sets $work (a scratch folder, removed by its own trap) and
# $xclose, and defines skip and fail.

pids=()
stop_all() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
}

# Starts Xvfb on a free display and points DISPLAY at it; skips the test
# where no X server can run.
start_x_server() {
    command -v Xvfb >/dev/null || skip "Xvfb is not installed"
    command -v xdotool >/dev/null || skip "xdotool is not installed"
    [ -x "$xclose" ] || skip "xclose was not built (no Xlib headers)"
    # Xvfb picks a free display and writes its number to fd 3.
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
    pids+=($!)
    for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
    [ -s "$work/display" ] || skip "Xvfb did not start: $(tail -n 3 "$work/xvfb.log")"
    export DISPLAY=":$(cat "$work/display")"
    export QT_QPA_PLATFORM=xcb
    export XDG_RUNTIME_DIR="$work/runtime"
    mkdir -p -m 700 "$XDG_RUNTIME_DIR"
}

# Waits (20 s at most) for a visible window with exactly this title and
# prints its id.
window_named() {
    timeout 20 xdotool search --sync --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1
}

type_keys() { xdotool type --delay 15 "$1"; }

# Focuses a freshly shown main window, types a command and sends it with
# Return. The focus starts on "Parcourir..."; the form's tab order then goes
# "Executer", the command field, "Appliquer", and back to the file field.
send_command() {
    xdotool windowfocus --sync "$1"
    xdotool key Tab Tab
    type_keys "$2"
    xdotool key Return
}

# Runs a program in the background, its standard error in $work/NAME.err,
# and leaves its process id in $sender_pid.
start_sender() {
    local name=$1
    shift
    "$@" 2>"$work/$name.err" &
    sender_pid=$!
    pids+=("$sender_pid")
}

# Closes the window as the user would and checks that the tool exits 0.
close_and_check_exit() {
    "$xclose" "$1" || fail "could not ask the window to close"
    for _ in $(seq 100); do
        kill -0 "$sender_pid" 2>/dev/null || break
        sleep 0.1
    done
    local status=0
    wait "$sender_pid" || status=$?
    [ "$status" -eq 0 ] || fail "the tool exited with $status after its window closed"
}

# Checks that a file holds exactly the bytes that printf makes of a format.
expect_bytes() {
    local file=$1 format=$2 expected actual
    expected=$(printf "$format" | od -An -c)
    actual=$(od -An -c "$file")
    [ "$actual" = "$expected" ] || fail "$file holds$(printf '\n%s' "$actual")
instead of$(printf '\n%s' "$expected")"
}
