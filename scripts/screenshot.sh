#!/usr/bin/env bash
# Takes docs/window.png: the window under Xvfb, connected to jtag-uart-listen,
# with a file and a command typed in.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh imagemagick
scripts/build.sh >/dev/null
build_dir=${BUILD_DIR:-build}

work=$(mktemp -d)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT

Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")" QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work"
chmod 700 "$work"

"$build_dir/tools/jtag-uart-listen/jtag-uart-listen" --port 0 --output /dev/null 2>"$work/listen.err" &
pids+=($!)
for _ in $(seq 50); do grep -q 'listening on' "$work/listen.err" && break; sleep 0.1; done
port=$(sed -n 's/.*:\([0-9]*\)$/\1/p' "$work/listen.err")

JTAG_UART="tcp:127.0.0.1:$port" "$build_dir/src/jtag-uart-sender" 2>/dev/null &
pids+=($!)
window=$(xdotool search --sync --onlyvisible --name '^MainWindow$' | head -n 1)
xdotool windowfocus --sync "$window"
xdotool key shift+Tab
xdotool type --delay 10 '/home/fpga/coefficients/fir_lowpass.txt'
xdotool key Tab Tab Tab
xdotool type --delay 10 'gain 12'
sleep 0.5
import -window "$window" docs/window.png
echo "docs/window.png"
