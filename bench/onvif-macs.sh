#!/usr/bin/env bash
# The time the scanner takes to find the MACs of N ONVIF cameras on one card's subnet, with a
# neighbour table of N resolved entries, as a large site has (default 1000), in a private
# network namespace of its own: a veth card 10.0.0.1/16 and permanent entries for the cameras.
#
#   bench/onvif-macs.sh [BUILD_DIR] [N]
set -euo pipefail
build=$(cd "${1:-build/release}" && pwd)
count=${2:-1000}
if [ "${NORVIK_MACS_INSIDE:-}" != 1 ]; then
    NORVIK_MACS_INSIDE=1 exec "$build/tools/netns/norvik-netns" -- "$0" "$build" "$count"
fi
ip link add name camlan type veth peer name camlan-peer
ip addr add 10.0.0.1/16 dev camlan
ip link set camlan up
ip link set camlan-peer up
for ((i = 0; i < count; i++)); do
    host=$((i + 2))
    printf 'neigh add 10.0.%d.%d lladdr 02:00:00:00:%02x:%02x dev camlan nud permanent\n' \
        $((host >> 8)) $((host & 255)) $((host >> 8)) $((host & 255))
done | ip -batch -
"$build/bench/norvik-bench-flood" --onvif-macs "$count"
