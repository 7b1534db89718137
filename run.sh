#!/usr/bin/env bash
# Installs what is missing, builds a Release build and starts the program.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/deps.sh
veltrin_install_deps

cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-release -j"$(nproc)"

sim=build-release/tools/sensor-sim/veltrin-sensor-sim
sim_pid=""
if [ -x "$sim" ]; then
    "$sim" --address 127.0.0.1 >/tmp/veltrin-sensor-sim.log 2>&1 &
    sim_pid=$!
    trap '[ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true' EXIT
    echo "A sensor stand-in runs on 127.0.0.1: connect over Ethernet (TCP) to 127.0.0.1."
fi
build-release/src/veltrin
