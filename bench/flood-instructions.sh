#!/usr/bin/env bash
# Instructions per report for every kind of flood, and their ratio to a plain refresh of a
# known device measured in the same run: norvik-bench-flood under callgrind, which counts
# instructions, not seconds, so the figures repeat on a busy machine.
#
#   bench/flood-instructions.sh [BUILD_DIR] [REPORTS]
set -euo pipefail
build=${1:-build/release}
reports=${2:-20000}
if [ ! -x "$build/bench/norvik-bench-flood" ]; then
    echo "flood-instructions.sh: $build/bench/norvik-bench-flood was not built: it needs valgrind" >&2
    echo "(./dev.sh flood-bench installs it and builds it)" >&2
    exit 1
fi
dumps=$(mktemp -d)
trap 'rm -rf "$dumps"' EXIT
valgrind --tool=callgrind --collect-atstart=no --callgrind-out-file="$dumps/out.%p" \
    "$build/bench/norvik-bench-flood" --reports "$reports" >"$dumps/printed" 2>"$dumps/valgrind.log"
printf '%-22s %8s %14s %10s\n' kind reports instructions "to plain"
# The bench prints each kind's number of reports; callgrind dumps each kind's instructions, in
# dumps numbered by the last part of their names (the folder's name may hold dots too).
paste <(tail -n +2 "$dumps/printed" | awk '{ print $1, $2 }') \
      <(for dump in $(ls "$dumps"/out.*.* | awk -F. '{ print $NF, $0 }' | sort -n | cut -d' ' -f2); do
            sed -n 's/^totals: //p' "$dump"
        done) |
    awk '{ per = $3 / $2; if (NR == 1) plain = per;
           printf "%-22s %8d %14.0f %10.2f\n", $1, $2, per, per / plain }'
