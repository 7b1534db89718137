#!/usr/bin/env bash
# Installs what is missing, builds a Release build and starts the program.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/deps.sh
veltrin_install_deps fonts-noto-cjk # the interface starts in Chinese

cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-release -j"$(nproc)"

sim=build-release/tools/sensor-sim/veltrin-sensor-sim
sim_pid=""
if [ -x "$sim" ]; then
    "$sim" --address 127.0.0.1 >/tmp/veltrin-sensor-sim.log 2>&1 &
    sim_pid=$!
    trap '[ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true' EXIT
    # It prints its ready line once it listens; port 8080 may already be taken.
    for _ in $(seq 30); do
        grep -q '^ready ' /tmp/veltrin-sensor-sim.log 2>/dev/null && break
        kill -0 "$sim_pid" 2>/dev/null || break
        sleep 0.1
    done
    if grep -q '^ready ' /tmp/veltrin-sensor-sim.log 2>/dev/null; then
        echo "A sensor stand-in runs on 127.0.0.1: connect over Ethernet (TCP) to 127.0.0.1."
    else
        echo "The sensor stand-in did not start (see /tmp/veltrin-sensor-sim.log)."
    fi
fi
build-release/src/veltrin
