#!/usr/bin/env bash
# The program with a handful of simulated devices, inside a private network namespace that it
# makes for itself, so nothing reaches a real network.
set -euo pipefail
build=${1:-build/release}
if [ "$(stat -L -c %i /proc/self/ns/net)" != "${NORVIK_PRIVATE_NETNS:-}" ]; then
    exec "$build/tools/netns/norvik-netns" -- bash "$0" "$build"
fi
"$build/tools/devsim/norvik-devsim" --file tools/demo-devices.txt >/dev/null &
devsim=$!
trap 'kill $devsim 2>/dev/null' EXIT
sleep 0.3
"$build/app/norvik"
