#!/usr/bin/env bash
# Runs clang-tidy (.clang-tidy) on the tool and the link library, from the
# compile commands of a build configured with CMAKE_EXPORT_COMPILE_COMMANDS.
# usage: scripts/check-tidy.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build}
[ -f "$build_dir/compile_commands.json" ] ||
    { echo "no $build_dir/compile_commands.json: configure with -DCMAKE_EXPORT_COMPILE_COMMANDS=ON" >&2; exit 2; }
# Its count of the warnings it left out (system headers) is only noise.
clang-tidy -p "$build_dir" --quiet src/*.cpp jtag_atlantic/*.cpp 2> >(grep -v 'warnings generated\.$' >&2)
echo "clang-tidy: src/ and jtag_atlantic/ are clean"
