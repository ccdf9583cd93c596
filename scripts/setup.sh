#!/usr/bin/env bash
# Installs what Tolmarin needs, builds it and runs it against the simulated amplifier.
# The editor is not written yet, so what runs is the command-line tool: it links to a
# trv410-sim on 127.0.0.1, shows the amplifier's status, reads all twenty programs into a
# file and prints that file's parameter table.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset dev
cmake --build --preset dev

bin=build/dev/tools
work=$(mktemp -d)
sim_pid=
cleanup() {
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

"$bin/trv410-sim/trv410-sim" --tcp 127.0.0.1:0 --state "$work/amp.state" >"$work/sim.out" &
sim_pid=$!
for _ in $(seq 50); do
    grep -q '^listening on' "$work/sim.out" 2>/dev/null && break
    sleep 0.1
done
address=$(sed -n 's/^listening on //p' "$work/sim.out")
[ -n "$address" ] || { echo "setup: the simulated amplifier did not start" >&2; exit 1; }
echo "setup: simulated TRV410 listening on $address"

cli="$bin/tolmarin-cli/tolmarin-cli"
"$cli" status --connect "tcp:$address"
"$cli" pull --connect "tcp:$address" "$work/amp.ALLData12File" 2>/dev/null
"$cli" info "$work/amp.ALLData12File" | head -n 4
"$cli" table "$work/amp.ALLData12File" --program 1 | head -n 12
echo "setup: done; try $cli --help"
