#!/usr/bin/env bash
# Builds the run-time, opcsim and the OPC tank project, starts opcsim --tank (the server the
# project names TankSim, opc.tcp://localhost:48400 in its quorva.ini) and runs the project. With a
# display, its window shows until it is closed (DEMO_SECONDS limits the run). Without one, it
# runs on Qt's offscreen platform for a while and writes images of its window. opcsim is stopped
# when the run ends. OPC_PORT serves another port: a machine configuration in a temporary
# XDG_CONFIG_HOME then points TankSim at it.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target rtquorva opcsim opc_tank

port="${OPC_PORT:-48400}"
if [ "$port" != 48400 ]; then
    config="$(mktemp -d)"
    mkdir -p "$config/quorva"
    printf '[OpcServers]\nTankSim = opc.tcp://localhost:%s\n' "$port" >"$config/quorva/quorva.ini"
    export XDG_CONFIG_HOME="$config"
fi

build/tools/opcsim/opcsim --tank --port "$port" &
sim=$!
trap 'kill "$sim" 2>/dev/null; wait "$sim" 2>/dev/null || true' EXIT
echo "opc demo: opcsim serves opc.tcp://localhost:$port (its writes are shown below)"

status=0
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    run_for=()
    [ -n "${DEMO_SECONDS:-}" ] && run_for=(--run-for "$DEMO_SECONDS")
    build/src/rtquorva --log-level info "${run_for[@]}" build/examples/opc-tank/opc-tank.qpk ||
        status=$?
else
    shots="$PWD/build/opc-demo-screenshots"
    rm -rf "$shots"
    build/src/rtquorva --log-level info --headless --run-for "${DEMO_SECONDS:-15}" \
        --screenshot "$shots" --screenshot-every 1000 build/examples/opc-tank/opc-tank.qpk ||
        status=$?
    echo "opc demo: no display here; the window as the run ended: $shots/MAIN.png" \
         "(and one image per second: $shots/MAIN-<ms>.png)"
fi
echo "opc demo: ended with exit code $status"
exit "$status"
