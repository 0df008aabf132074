#!/usr/bin/env bash
# Builds the benchmarks (bench/) in the optimised build and runs each one; arguments go to every
# benchmark (--benchmark_filter=REGEX picks cases). QUORVA_PERIOD_SECONDS shortens the long
# GUI-cycle period run.
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD_DIR="${BUILD_DIR:-build}"
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVA_BENCH=ON >/dev/null
cmake --build "$BUILD_DIR"
for bench in "$BUILD_DIR"/bench/*_bench; do
    [ -x "$bench" ] || continue
    echo "=== $(basename "$bench") ==="
    "$bench" "$@"
done
