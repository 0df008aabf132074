#!/usr/bin/env bash
# Runs each libFuzzer target for SECONDS (default 25) on a fresh corpus seeded from fuzz/seeds.
# Fails on any crash, leak or sanitizer report. The targets come from BUILD_DIR (default
# build-fuzz); a directory that is not yet configured for them is configured with clang first.
set -euo pipefail
cd "$(dirname "$0")/.."

SECONDS_EACH="${1:-25}"
BUILD_DIR="${BUILD_DIR:-build-fuzz}"
if ! grep -qs "^QUORVA_FUZZ:BOOL=ON" "$BUILD_DIR/CMakeCache.txt"; then
    CC=clang CXX=clang++ cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DQUORVA_FUZZ=ON -DQUORVA_TESTS=OFF -DQUORVA_BENCH=OFF >/dev/null
fi
cmake --build "$BUILD_DIR" --target fuzzers

for target in $(cat "$BUILD_DIR/fuzz/targets.txt"); do
    corpus="$BUILD_DIR/fuzz/corpus-$target"
    mkdir -p "$corpus"
    seeds="fuzz/seeds/$target"
    [ -d "$seeds" ] && cp -n "$seeds"/* "$corpus"/ 2>/dev/null || true
    echo "fuzzing $target for $SECONDS_EACH s"
    "$BUILD_DIR/fuzz/$target" -max_total_time="$SECONDS_EACH" -print_final_stats=1 \
        -rss_limit_mb=2048 "$corpus" 2>"$BUILD_DIR/fuzz/$target.log" \
        || { tail -50 "$BUILD_DIR/fuzz/$target.log"; exit 1; }
    grep -E "^(stat::number_of_executed_units|Done)" "$BUILD_DIR/fuzz/$target.log" || true
done
echo "fuzzers: all ran without a report"
