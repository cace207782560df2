#!/usr/bin/env bash
# Builds the tool and runs every test. Arguments go to CMake.
set -euo pipefail
cd "$(dirname "$0")"
scripts/build.sh -DBUILD_TESTING=ON "$@"
ctest --test-dir "${BUILD_DIR:-build}" --output-on-failure
