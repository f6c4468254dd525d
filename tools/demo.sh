#!/usr/bin/env bash
# The program with a handful of simulated devices. Runs inside a private network namespace
# (./dev.sh demo puts it there), so nothing reaches a real network.
set -euo pipefail
build=${1:-build/release}
"$build/tools/devsim/norvik-devsim" --file tools/demo-devices.txt >/dev/null &
devsim=$!
trap 'kill $devsim 2>/dev/null' EXIT
sleep 0.3
"$build/app/norvik"
