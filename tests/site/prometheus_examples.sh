#!/usr/bin/env bash
# The Prometheus examples as Prometheus reads them: the configuration (with its rule file), the
# rules, and the alerts' own tests (norvik-rules.test.yml). Exit 77 without promtool.
#
#   tests/site/prometheus_examples.sh [PROMTOOL]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
examples=$here/../../docs/prometheus
promtool=${1:-promtool}
if ! command -v "$promtool" >/dev/null; then
    echo "prometheus_examples: $promtool is missing (./dev.sh test unpacks it); not checked"
    # CI is not green without it.
    [ "${NORVIK_REQUIRE_NETWORK_TESTS:-0}" != 1 ] || exit 1
    exit 77
fi
"$promtool" check config "$examples/prometheus.yml"
"$promtool" check rules "$examples/norvik-rules.yml"
"$promtool" test rules "$here/norvik-rules.test.yml"
