#!/usr/bin/env bash
# Runs each libFuzzer target for SECONDS (default 25), as many at once as there are cores, on a
# corpus seeded from fuzz/seeds.
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

# One target per core at a time; each writes its own log, shown when it fails.
fuzz_one() {
    local target="$1" corpus="$BUILD_DIR/fuzz/corpus-$1" seeds="fuzz/seeds/$1"
    mkdir -p "$corpus"
    [ -d "$seeds" ] && cp -n "$seeds"/* "$corpus"/ 2>/dev/null || true
    if "$BUILD_DIR/fuzz/$target" -max_total_time="$SECONDS_EACH" -print_final_stats=1 \
        -rss_limit_mb=2048 "$corpus" 2>"$BUILD_DIR/fuzz/$target.log"; then
        echo "fuzzed $target for $SECONDS_EACH s:" \
            "$(grep -E "^stat::number_of_executed_units" "$BUILD_DIR/fuzz/$target.log" || true)"
    else
        echo "fuzz target $target failed:"
        tail -50 "$BUILD_DIR/fuzz/$target.log"
        return 1
    fi
}

JOBS="$(nproc)"
failed=0
running=0
for target in $(cat "$BUILD_DIR/fuzz/targets.txt"); do
    if [ "$running" -ge "$JOBS" ]; then
        wait -n || failed=1
        running=$((running - 1))
    fi
    fuzz_one "$target" &
    running=$((running + 1))
done
while [ "$running" -gt 0 ]; do
    wait -n || failed=1
    running=$((running - 1))
done
if [ "$failed" -ne 0 ]; then
    echo "fuzzers: a target reported a fault (its log is above)"
    exit 1
fi
echo "fuzzers: all ran without a report"
