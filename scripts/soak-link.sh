#!/usr/bin/env bash
# Robustness soak of the device link, kept out of CI (several minutes): 200 cycles of
# connect, link-up and dropped connection against the simulated amplifier over loopback
# TCP, then 200 open/link-up/close cycles over a pseudo-terminal. Fails on leaked
# descriptors or sockets, memory growth or any message shown to the operator.
#   scripts/soak-link.sh [build-dir] [cycles]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/dev}
cycles=${2:-200}
sim="$build/tools/trv410-sim/trv410-sim"
soak="$build/tools/link-soak/link-soak"
[ -x "$sim" ] && [ -x "$soak" ] || { echo "soak-link: build $build first"; exit 2; }

out=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    rm -rf "$out"
}
trap cleanup EXIT

# Starts the simulator with the given options and prints its first line (address or pty).
start_sim() {
    local log="$out/sim$#.log"
    "$sim" "$@" >"$log" 2>&1 &
    pids+=($!)
    for _ in $(seq 50); do
        if [ -s "$log" ]; then head -n1 "$log"; return 0; fi
        sleep 0.1
    done
    echo "soak-link: simulator did not start" >&2
    return 1
}

line=$(start_sim --tcp 127.0.0.1:0 --close-after 24)
port=${line##*:}
echo "soak-link: tcp simulator on 127.0.0.1:$port"
"$soak" --tcp "127.0.0.1:$port" --cycles "$cycles" --reconnect-every 10

line=$(start_sim --pty)
pty=${line#pty }
echo "soak-link: pty simulator on $pty"
"$soak" --pty "$pty" --cycles "$cycles"
