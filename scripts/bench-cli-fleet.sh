#!/usr/bin/env bash
# Fleet scale of tolmarin-cli against the simulated amplifier on loopback:
#  - wall time of `push` of one program to 1, 16 and 64 amplifiers (median of 3 runs);
#  - CPU and resident memory of the tool per linked amplifier while `status --watch`
#    idle-polls 64 amplifiers (and 1, for the fixed part).
# Build the release preset first and run it under the shared build lock, e.g.
#   flock /tmp/tolmarin-build.lock scripts/bench-cli-fleet.sh [build-dir] [idle-seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
idle=${2:-10}
sim="$build/tools/trv410-sim/trv410-sim"
cli="$build/tools/tolmarin-cli/tolmarin-cli"
[ -x "$sim" ] && [ -x "$cli" ] || { echo "bench-cli-fleet: build $build first" >&2; exit 2; }

source scripts/bench-venue-common.sh

# One program to push: the simulator's own live program.
start_venue 1
"$cli" pull --connect "$(awk 'NR==1 { print $2 }' "$out/fleet1.txt")" "$out/one.Data12File" >/dev/null

echo "push of one program (median of 3 runs, ms):"
declare -A median
for n in 1 16 64; do
    [ -f "$out/fleet$n.txt" ] || start_venue "$n"
    times=()
    for _ in 1 2 3; do
        t0=$(ms)
        "$cli" push --fleet "$out/fleet$n.txt" "$out/one.Data12File" >/dev/null
        times+=($(($(ms) - t0)))
    done
    median[$n]=$(printf '%s\n' "${times[@]}" | sort -n | sed -n 2p)
    echo "  $n amplifiers: ${median[$n]} (runs: ${times[*]})"
done
awk -v a="${median[1]}" -v b="${median[64]}" \
    'BEGIN { printf "  64 / 1 = %.2f (target at most 1.50)\n", b / a }'

# What reading back costs: all twenty programs pushed with and without verification.
"$cli" pull --connect "$(awk 'NR==1 { print $2 }' "$out/fleet1.txt")" "$out/all.ALLData12File" >/dev/null
echo "push of all twenty programs, read back or not (ms):"
for n in 1 64; do
    for verify in "" "--no-verify"; do
        t0=$(ms)
        "$cli" push $verify --fleet "$out/fleet$n.txt" "$out/all.ALLData12File" >/dev/null 2>&1
        echo "  $n amplifiers ${verify:-verified}: $(($(ms) - t0))"
    done
done

# CPU ticks and resident memory of status --watch after a settling second.
idle_poll() {
    local n=$1
    "$cli" status --watch --fleet "$out/fleet$n.txt" >/dev/null 2>&1 &
    local pid=$!
    pids+=("$pid")
    sleep 3
    local t0 c0 t1 c1 rss hz
    hz=$(getconf CLK_TCK)
    t0=$(ms)
    c0=$(awk '{ print $14 + $15 }' "/proc/$pid/stat")
    sleep "$idle"
    t1=$(ms)
    c1=$(awk '{ print $14 + $15 }' "/proc/$pid/stat")
    rss=$(awk '/VmRSS/ { print $2 }' "/proc/$pid/status")
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    awk -v c=$((c1 - c0)) -v t=$((t1 - t0)) -v hz="$hz" -v rss="$rss" -v n="$n" \
        'BEGIN { printf "%.3f %d\n", 100 * c / hz / (t / 1000), rss }'
}
echo "status --watch idle-polling (${idle} s):"
read -r cpu1 rss1 < <(idle_poll 1)
read -r cpu64 rss64 < <(idle_poll 64)
echo "  1 amplifier:   CPU ${cpu1}%, RSS ${rss1} KiB"
echo "  64 amplifiers: CPU ${cpu64}%, RSS ${rss64} KiB"
awk -v c1="$cpu1" -v c="$cpu64" -v r1="$rss1" -v r="$rss64" \
    'BEGIN { printf "  per linked amplifier: CPU %.3f%% of one core, memory %.0f KiB\n", c / 64, (r - r1) / 63 }'
