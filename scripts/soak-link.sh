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

# Starts the simulator with the given options in this shell (not in a command substitution's
# subshell, so the exit trap knows its pid) and leaves its log's path in sim_log.
start_sim() {
    sim_log="$out/sim${#pids[@]}.log"
    "$sim" "$@" >"$sim_log" 2>&1 &
    pids+=($!)
}

# The simulator's first line (address or pty), once it has written it.
first_line() {
    for _ in $(seq 50); do
        if [ -s "$1" ]; then head -n1 "$1"; return 0; fi
        sleep 0.1
    done
    echo "soak-link: simulator did not start" >&2
    return 1
}

start_sim --tcp 127.0.0.1:0 --close-after 24
line=$(first_line "$sim_log")
port=${line##*:}
echo "soak-link: tcp simulator on 127.0.0.1:$port"
"$soak" --tcp "127.0.0.1:$port" --cycles "$cycles" --reconnect-every 10

start_sim --pty
line=$(first_line "$sim_log")
pty=${line#pty }
echo "soak-link: pty simulator on $pty"
"$soak" --pty "$pty" --cycles "$cycles"
