#!/usr/bin/env bash
# Instructions per poll tick, counted by callgrind (repeatable, unlike time), for a tick that finds
# the IME status unchanged and for one that finds it changed.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset bench >/dev/null && cmake --build --preset bench >/dev/null

per_tick() {
    local ticks=$1 out
    out=$(mktemp)
    valgrind --tool=callgrind --callgrind-out-file="$out" --toggle-collect='PollImeStatus()' \
        build/bench/tests/bench/tick_bench --ticks "$ticks" 2>/dev/null
    callgrind_annotate "$out" | awk '/PROGRAM TOTALS/ {gsub(",", "", $1); print $1}'
    rm -f "$out"
}
for kind in unchanged changed; do
    if [ $kind = changed ]; then export LUMIDOT_BENCH_CHANGE=1; fi
    a=$(per_tick 1000); b=$(per_tick 11000)
    echo "$kind: $(( (b - a) / 10000 )) instructions per tick"
done
