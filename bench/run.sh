#!/usr/bin/env bash
# Builds and runs the transfer benchmarks; prints their figures.
# usage: bench/run.sh [LINES [ROUNDS]]    (default 1000000 lines, best of 5)
set -euo pipefail
cd "$(dirname "$0")/.."
export BUILD_DIR=${BUILD_DIR:-build-bench}
scripts/build.sh -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
bench=$BUILD_DIR/bench
lines=${1:-1000000}
rounds=${2:-5}
quiet() { "$@" 2> >(grep -v -E 'XDG_RUNTIME_DIR|propagateSizeHints' >&2); }

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //')"
quiet "$bench/bench_transfer_free" "$lines" "$rounds"
quiet "$bench/bench_transfer_tcp" "$lines" "$rounds"
for size in 1000000 10000000; do
    quiet "$bench/bench_transfer_free" --memory "$size"
done
