#!/usr/bin/env bash
# Builds jtag-uart-sender and starts it. With JTAG_UART unset it first starts
# the emulated board, jtag-uart-listen, whose output shows here, and stops it
# when the window closes. With JTAG_UART set, the tool goes where it says.
set -euo pipefail
cd "$(dirname "$0")"
scripts/build.sh >&2
build_dir=${BUILD_DIR:-build}

listener=
stop_listener() {
    if [ -n "$listener" ]; then kill "$listener" 2>/dev/null || true; wait "$listener" 2>/dev/null || true; fi
    listener=
}
trap stop_listener EXIT
trap 'stop_listener; exit 130' INT TERM

# Port 2540 in LISTEN state, read from the kernel's table (hex 09EC, state 0A).
board_listening() { grep -q ':09EC 00000000:0000 0A' /proc/net/tcp 2>/dev/null; }

if [ -z "${JTAG_UART:-}" ]; then
    if board_listening; then
        echo "run.sh: a board already listens on port 2540; using it" >&2
    else
        "$build_dir/tools/jtag-uart-listen/jtag-uart-listen" &
        listener=$!
        for _ in $(seq 50); do
            board_listening && break
            kill -0 "$listener" 2>/dev/null || { listener=; break; }
            sleep 0.1
        done
    fi
fi

status=0
"$build_dir/src/jtag-uart-sender" "$@" || status=$?
exit $status
