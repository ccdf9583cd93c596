#!/usr/bin/env bash
# Whether two builds of tolmarin-cli put the same frames on the wire: each runs status, pull
# (live and all programs), push (one and all programs), store and recall with --trace
# against a fresh simulated amplifier, over TCP on loopback and over a pty; the traces must
# be byte-identical once their times are masked. The simulator of the first build answers
# both, so only the tool differs.
#   scripts/compare-cli-traces.sh OLD_BUILD_DIR NEW_BUILD_DIR [WORK_DIR]
# (each BUILD_DIR holds tools/tolmarin-cli/tolmarin-cli, or the binaries themselves).
set -euo pipefail
find_bin() {
    if [ -x "$1/tools/$2/$2" ]; then echo "$1/tools/$2/$2"; else echo "$1/$2"; fi
}
old_cli=$(find_bin "$1" tolmarin-cli)
new_cli=$(find_bin "$2" tolmarin-cli)
sim=$(find_bin "$1" trv410-sim)
work=${3:-$(mktemp -d)}
mkdir -p "$work"
cleanup() { for p in "$work"/*.pid; do [ -f "$p" ] && kill "$(cat "$p")" 2>/dev/null; done; true; }
trap cleanup EXIT

# Starts a fresh simulated amplifier on the transport; prints the URL to link to.
start_sim() {
    local log="$work/sim-$1-$2.log"
    if [ "$1" = tcp ]; then
        "$sim" --tcp 127.0.0.1:0 >"$log" 2>&1 &
    else
        "$sim" --pty >"$log" 2>&1 &
    fi
    echo $! >"$work/sim-$1-$2.pid"
    for _ in $(seq 100); do
        grep -q -E 'listening|pty' "$log" && break
        sleep 0.05
    done
    if [ "$1" = tcp ]; then
        echo "tcp:$(awk '/listening/ { print $3; exit }' "$log")"
    else
        echo "serial:$(awk '/^pty/ { print $2; exit }' "$log")"
    fi
}

# The trace without its start time and the milliseconds column, and the bytes received
# between two frames sent joined into one line: how a serial read splits them is the
# line's timing, not the tool's.
masked() {
    sed -e '1s/started [^;]*;/started TIME;/' -e 's/^ *[0-9]\+ //' "$1" | awk '
        $2 == "RX" { rx = rx substr($0, index($0, "RX") + 2); link = $1; next }
        { if (rx != "") print link " RX" rx; rx = ""; print }
        END { if (rx != "") print link " RX" rx }'
}

steps=(status pull-live pull-all push-live push-all store recall)
run_steps() {  # cli transport label
    local cli=$1 url dir="$work/$2-$3"
    mkdir -p "$dir"
    url=$(start_sim "$2" "$3")
    for s in "${steps[@]}"; do
        local t="$dir/$s.trace" args=()
        case $s in
            status) args=(status) ;;
            pull-live) args=(pull "$dir/live.Data12File") ;;
            pull-all) args=(pull "$dir/all.ALLData12File") ;;
            push-live) args=(push "$dir/live.Data12File") ;;
            push-all) args=(push "$dir/all.ALLData12File") ;;
            store) args=(store --slot 5 --name Stage) ;;
            recall) args=(recall --slot 5) ;;
        esac
        timeout 120 "$cli" "${args[@]}" --connect "$url" --trace "$t" >"$dir/$s.out" 2>&1 ||
            echo "$2 $3 $s: exit $?" >&2
        masked "$t" >"$t.masked"
    done
    kill "$(cat "$work/sim-$2-$3.pid")" 2>/dev/null || true
}

fail=0
for transport in tcp pty; do
    run_steps "$old_cli" "$transport" old
    run_steps "$new_cli" "$transport" new
    for s in "${steps[@]}"; do
        a="$work/$transport-old/$s.trace.masked"
        b="$work/$transport-new/$s.trace.masked"
        if cmp -s "$a" "$b"; then
            echo "$transport $s: identical ($(($(wc -l <"$a") - 1)) frames and events)"
        else
            echo "$transport $s: DIFFERENT"; diff "$a" "$b" | head -5; fail=1
        fi
    done
done
exit $fail
