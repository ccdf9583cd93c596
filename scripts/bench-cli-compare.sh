#!/usr/bin/env bash
# Two builds of tolmarin-cli side by side against the same 64 simulated amplifiers on
# loopback: wall time of `push` of one program to all 64 (five runs each, old and new
# interleaved, medians), and resident memory per idle amplifier under `status --watch`
# ((RSS with 64 - RSS with 1) / 63). Run it under the shared build lock:
#   flock /work/build.lock scripts/bench-cli-compare.sh OLD_CLI NEW_CLI SIM [idle-seconds]
set -euo pipefail
old=$1 new=$2 sim=$3 idle=${4:-5}
source "$(dirname "$0")/bench-venue-common.sh"
median() { printf '%s\n' "$@" | sort -n | sed -n 3p; }

start_venue 1
start_venue 64
"$old" pull --connect "$(awk 'NR==1 { print $2 }' "$out/fleet1.txt")" "$out/one.Data12File" >/dev/null

old_t=() new_t=()
for _ in 1 2 3 4 5; do
    for which in old new; do
        cli=${!which}
        t0=$(ms)
        "$cli" push --fleet "$out/fleet64.txt" "$out/one.Data12File" >/dev/null
        t=$(($(ms) - t0))
        if [ "$which" = old ]; then old_t+=("$t"); else new_t+=("$t"); fi
    done
done
mo=$(median "${old_t[@]}") mn=$(median "${new_t[@]}")
echo "push of one program to 64 amplifiers, ms (median of 5; runs):"
echo "  old: $mo (${old_t[*]})"
echo "  new: $mn (${new_t[*]})"
awk -v a="$mo" -v b="$mn" 'BEGIN { printf "  new / old = %.3f\n", b / a }'

rss_watching() {  # CLI N
    "$1" status --watch --fleet "$out/fleet$2.txt" >/dev/null 2>&1 &
    local pid=$!
    sleep "$idle"
    awk '/VmRSS/ { print $2 }' "/proc/$pid/status"
    kill "$pid"
    wait "$pid" 2>/dev/null || true
}
echo "memory per idle amplifier under status --watch (KiB):"
for which in old new; do
    cli=${!which}
    r1=$(rss_watching "$cli" 1)
    r64=$(rss_watching "$cli" 64)
    awk -v w="$which" -v a="$r1" -v b="$r64" \
        'BEGIN { printf "  %s: RSS %d with 1, %d with 64: %.0f per amplifier\n", w, a, b, (b - a) / 63 }'
done
