#!/usr/bin/env bash
# Installs what Tolmarin's programs need, builds them (not the tests: scripts/test.sh) and runs the editor against the simulated
# amplifier, in-process on a free loopback port. Without a display the editor runs
# offscreen: it links, waits for the live program and the first status replies, saves a
# screenshot of its window and says where. Then the command-line tool talks to a
# trv410-sim on 127.0.0.1: status, all twenty programs into a file, that file's table.
set -euo pipefail
cd "$(dirname "$0")/.."

# Only what the programs need: the suites, benchmarks and release checks come with
# scripts/test.sh.
scripts/install-deps.sh programs
cmake --preset programs
cmake --build --preset programs

editor=build/programs/src/app/tolmarin
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    shot=$PWD/build/programs/tolmarin-setup.png
    echo "setup: no display (\$DISPLAY and \$WAYLAND_DISPLAY are empty): running the editor offscreen"
    QT_QPA_PLATFORM=offscreen "$editor" --simulator docs/demo/room.Data12File --screenshot "$shot"
    echo "setup: the editor linked to the simulated amplifier; its window is in $shot"
else
    echo "setup: starting the editor linked to the simulated amplifier; close it to go on"
    "$editor" --simulator
fi

bin=build/programs/tools
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
