#!/usr/bin/env bash
# Builds the run-time and runs the demo project for a few seconds. Shows its windows when a
# display is there, otherwise runs them on Qt's offscreen platform.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build
build/src/rtquorva --log-level info --run-for "${DEMO_SECONDS:-5}" build/examples/demo/demo.qpk
echo "demo: ended with exit code $?"
