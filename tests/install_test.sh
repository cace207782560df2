#!/usr/bin/env bash
# Installs the tool as a user would and runs the installed copy: from
# `cmake --install` into a scratch prefix, and from the Debian package that
# cpack builds, unpacked into a scratch root. Exit code 77 (skipped) where no
# X server can run for the installed window.
#
# usage: install_test.sh CMAKE CPACK BUILD_DIR XCLOSE
set -uo pipefail

cmake=$1 cpack=$2 build=$3 xclose=$4
skip() { echo "SKIPPED: $*"; exit 77; }
fail() { echo "FAIL: $*"; exit 1; }

work=$(mktemp -d)
source "$(dirname "$0")/xsession.sh"
trap 'stop_all; rm -rf "$work"' EXIT

# --- cmake --install --------------------------------------------------------
prefix=$work/prefix
"$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" || fail "cmake --install failed"
for file in bin/jtag-uart-sender bin/jtag-uart-listen lib/jtag-uart-sender/libjtag_atlantic.so \
    share/applications/jtag-uart-sender.desktop share/icons/hicolor/scalable/apps/jtag-uart-sender.svg; do
    [ -e "$prefix/$file" ] || fail "not installed: $file"
done
desktop-file-validate "$prefix/share/applications/jtag-uart-sender.desktop" || fail "the desktop entry is not valid"

# The installed tool finds our library next to itself, from any prefix...
resolved=$(env -u LD_LIBRARY_PATH ldd "$prefix/bin/jtag-uart-sender" | sed -n 's/.*libjtag_atlantic\.so => \([^ ]*\).*/\1/p')
[ "$(realpath "$resolved")" = "$(realpath "$prefix/lib/jtag-uart-sender/libjtag_atlantic.so")" ] ||
    fail "the installed tool loads $resolved"
# ...and a vendor's library on LD_LIBRARY_PATH comes first.
mkdir "$work/vendor"
cp "$prefix/lib/jtag-uart-sender/libjtag_atlantic.so" "$work/vendor/"
resolved=$(LD_LIBRARY_PATH=$work/vendor ldd "$prefix/bin/jtag-uart-sender" | sed -n 's/.*libjtag_atlantic\.so => \([^ ]*\).*/\1/p')
[ "$resolved" = "$work/vendor/libjtag_atlantic.so" ] || fail "LD_LIBRARY_PATH does not come first: $resolved"

# --- the Debian package -----------------------------------------------------
"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1 ||
    fail "cpack failed: $(tail -n 5 "$work/cpack.log")"
deb=$(ls "$work"/package/*.deb) || fail "cpack made no .deb"
depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 libqt6serialport6; do
    [[ $depends == *"$package "* ]] || fail "the package does not depend on $package: $depends"
done
dpkg -x "$deb" "$work/root" || fail "dpkg -x failed"

# --- the installed window sends a command -----------------------------------
start_x_server
JTAG_UART="file:$work/capture" start_sender installed "$work/root/usr/bin/jtag-uart-sender"
main=$(window_named MainWindow)
[ -n "$main" ] || fail "the installed tool's window did not come up: $(cat "$work/installed.err")"
send_command "$main" 'set 1'
sleep 0.5
close_and_check_exit "$main"
expect_bytes "$work/capture" 'set 1\n'

echo "PASS: installed from cmake --install and from the .deb; the installed tool sends"
