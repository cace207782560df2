#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the build, the tool and its tests
# still lack, and any further packages named as arguments. Does nothing when
# everything is there.
set -euo pipefail

packages=(
    cmake g++ make pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-serialport-dev libgl-dev
    fonts-dejavu-core
    # the real window's tests: an X server, a keyboard, and Xlib for xclose
    xvfb xdotool libx11-dev
    # the package and its test: dpkg-shlibdeps, desktop-file-validate
    dpkg-dev desktop-file-utils
    "$@"
)

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
    [ "$status" = installed ] || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}" >&2
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
"${sudo[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
