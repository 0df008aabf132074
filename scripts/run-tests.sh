#!/usr/bin/env bash
# Builds everything and runs every test. BUILD_DIR and CMAKE_ARGS select another build
# (the sanitizer build of CI uses them). The benchmarks are not built here
# (scripts/run-benchmarks.sh builds and runs them); QUORVA_BENCH=ON builds them as well.
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD_DIR="${BUILD_DIR:-build}"
# shellcheck disable=SC2086
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUORVA_BENCH="${QUORVA_BENCH:-OFF}" ${CMAKE_ARGS:-} >/dev/null
cmake --build "$BUILD_DIR"
ctest --test-dir "$BUILD_DIR" --output-on-failure -j3 --timeout 300
