#!/usr/bin/env bash
# Peak memory of norvik-scan with a full list (16,384 devices, with more reporting) printing its
# rows, and printing the same as one --json document, in a private network namespace of its own.
# Bar: the --json peak at most 1.5 times the rows' peak.
#
#   bench/scan-json-memory.sh [BUILD_DIR]
set -euo pipefail
build=$(cd "${1:-build/release}" && pwd)
if [ "${NORVIK_SCAN_MEMORY_INSIDE:-}" != 1 ]; then
    NORVIK_SCAN_MEMORY_INSIDE=1 exec "$build/tools/netns/norvik-netns" -- "$0" "$@"
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# scan NAME [OPTION]: the scanner's peak resident set in kB (by /usr/bin/time, from the kernel's
# account of the finished process) while 20,000 made-up devices report, each with a MAC of its
# own; its output is kept in $work/NAME.
scan() {
    local name=$1
    shift
    /usr/bin/time -f %M -o "$work/$name.peak" \
        "$build/cli/scan/norvik-scan" --timeout 3 "$@" >"$work/$name.out" 2>"$work/$name.err" &
    local scanner=$!
    sleep 0.5
    "$build/tools/devsim/norvik-devsim" --burst 20000 --protocol both --rate 50000 >/dev/null
    wait "$scanner" || { echo "norvik-scan $* failed:" >&2; cat "$work/$name.err" >&2; exit 1; }
    tail -n 1 "$work/$name.peak"
}
megabytes() {
    awk -v kb="$1" 'BEGIN { printf "%.1f", kb / 1024 }'
}

rows_kb=$(scan rows)
json_kb=$(scan json --json)
# A list that did not fill would measure less than it claims.
devices=$(grep -o '"list_index":' "$work/json.out" | wc -l)
dropped=$(grep -o '"dropped_devices":[0-9]*' "$work/json.out" | cut -d: -f2)
echo "rows:   peak $(megabytes "$rows_kb") MB, $(wc -l <"$work/rows.out") lines, $(wc -c <"$work/rows.out") bytes"
echo "--json: peak $(megabytes "$json_kb") MB, $devices devices ($dropped reports dropped), $(wc -c <"$work/json.out") bytes"
if [ "$devices" -lt 16384 ]; then
    echo "the list did not fill ($devices devices): no measure of a full list" >&2
    exit 1
fi
awk -v json="$json_kb" -v rows="$rows_kb" 'BEGIN {
    printf "--json / rows: %.2f (bar 1.50)\n", json / rows
    exit json <= 1.5 * rows ? 0 : 1
}'
