#!/usr/bin/env bash
# Measures the editor as an operator runs it, on a virtual X display (Xvfb): time from
# launch to the first painted window, resident memory after link-up, and CPU while linked
# and idle over 30 seconds. The amplifier is a trv410-sim on 127.0.0.1.
#   scripts/measure-editor.sh [BUILD_DIR]     (default build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
editor=$build/src/app/tolmarin
sim=$build/tools/trv410-sim/trv410-sim
idle_seconds=30

work=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
"$sim" --tcp 127.0.0.1:0 >"$work/sim.out" 2>&1 &
pids+=($!)
for _ in $(seq 50); do
    grep -q '^listening on' "$work/sim.out" 2>/dev/null && break
    sleep 0.1
done
address=$(sed -n 's/^listening on //p' "$work/sim.out")
sleep 0.5

start=$(date +%s%3N)
DISPLAY=$display TOLMARIN_REPORT_TIMES=1 "$editor" --connect "tcp:$address" 2>"$work/editor.err" &
editor_pid=$!
pids+=($editor_pid)
for _ in $(seq 200); do
    grep -q '^link-up' "$work/editor.err" 2>/dev/null && break
    sleep 0.1
done
paint=$(sed -n 's/^first-paint //p' "$work/editor.err")
linkup=$(sed -n 's/^link-up //p' "$work/editor.err")
[ -n "$paint" ] && [ -n "$linkup" ] || { echo "measure: the editor did not link" >&2; exit 1; }
sleep 2  # the done pop-up goes, the status polls settle
rss_kb=$(awk '/^VmRSS/ {print $2}' "/proc/$editor_pid/status")
ticks() { awk '{print $14 + $15}' "/proc/$editor_pid/stat"; }
hz=$(getconf CLK_TCK)
before=$(ticks)
sleep "$idle_seconds"
after=$(ticks)

echo "launch to first painted window: $((paint - start)) ms"
echo "launch to link-up complete:     $((linkup - start)) ms"
echo "resident memory after link-up:  $((rss_kb / 1024)) MB ($rss_kb kB)"
awk -v d=$((after - before)) -v hz="$hz" -v s="$idle_seconds" \
    'BEGIN { printf "CPU linked and idle over %d s: %.2f %% of one core\n", s, 100 * d / hz / s }'
