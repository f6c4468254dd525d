#!/usr/bin/env bash
# Peak memory of the scanner and of the window while 200,000 made-up devices report, each
# with a MAC of its own, at 100,000 reports a second, in a private network namespace of its
# own. Bars: the scanner under 64 MB, the window under 150 MB.
#
#   bench/flood-memory.sh [BUILD_DIR]
set -euo pipefail
build=$(cd "${1:-build/release}" && pwd)
if [ "${NORVIK_FLOOD_INSIDE:-}" != 1 ]; then
    NORVIK_FLOOD_INSIDE=1 exec "$build/tools/netns/norvik-netns" -- "$0" "$@"
fi
flood() {
    "$build/tools/devsim/norvik-devsim" --burst 200000 --protocol both --rate 100000 >/dev/null
}
peak_mb() {
    awk '/^VmHWM:/ { printf "%.1f", $2 / 1024 }' "/proc/$1/status"
}
"$build/cli/scan/norvik-scan" --timeout 6 --json >/dev/null &
scanner=$!
sleep 0.5
flood
sleep 0.5
echo "scanner: peak $(peak_mb "$scanner") MB (bar 64)"
wait "$scanner"

QT_QPA_PLATFORM=offscreen "$build/app/norvik" >/dev/null 2>&1 &
window=$!
sleep 1
flood
sleep 2
echo "window:  peak $(peak_mb "$window") MB (bar 150)"
kill "$window"
