#!/usr/bin/env bash
# Builds the run-time and runs the demo project. With a display, its window shows until it is
# closed (DEMO_SECONDS limits the run). Without one, it runs on Qt's offscreen platform for a
# few seconds and writes images of its windows, as the last one and one per second.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    run_for=()
    [ -n "${DEMO_SECONDS:-}" ] && run_for=(--run-for "$DEMO_SECONDS")
    status=0
    build/src/rtquorva --log-level info "${run_for[@]}" build/examples/demo/demo.qpk || status=$?
    echo "demo: ended with exit code $status"
else
    shots="$PWD/build/demo-screenshots"
    rm -rf "$shots"
    status=0
    build/src/rtquorva --log-level info --headless --run-for "${DEMO_SECONDS:-5}" \
        --screenshot "$shots" --screenshot-every 1000 build/examples/demo/demo.qpk || status=$?
    echo "demo: ended with exit code $status"
    echo "demo: no display here; the window as the run ended: $shots/MAIN.png" \
         "(and one image per second: $shots/MAIN-<ms>.png)"
fi
exit "$status"
