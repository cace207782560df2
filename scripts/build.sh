#!/usr/bin/env bash
# Configures and builds into build/ (or $BUILD_DIR), after installing what is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
build_dir=${BUILD_DIR:-build}
cmake -S . -B "$build_dir" "$@"
cmake --build "$build_dir" --parallel "$(nproc)"
