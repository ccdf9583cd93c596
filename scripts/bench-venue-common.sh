# Sourced by the tool's fleet benchmarks: a scratch folder removed on exit with every process
# started here, simulated amplifiers on consecutive loopback ports, a millisecond clock.
# The sourcing script sets $sim (the simulator) first.
out=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    rm -rf "$out"
}
trap cleanup EXIT

# Starts N simulated amplifiers on consecutive loopback ports; writes $out/fleetN.txt of them.
start_venue() {
    local n=$1 log="$out/sim$1.log"
    "$sim" --tcp 127.0.0.1:0 --count "$n" >"$log" 2>&1 &
    pids+=($!)
    for _ in $(seq 100); do
        [ "$(grep -c listening "$log" || true)" -ge "$n" ] && break
        sleep 0.05
    done
    grep listening "$log" | awk '{ printf "amp%02d tcp:%s\n", NR, $3 }' >"$out/fleet$n.txt"
}

ms() { date +%s%3N; }
