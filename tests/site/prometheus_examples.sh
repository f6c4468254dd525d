#!/usr/bin/env bash
# The Prometheus examples as Prometheus reads them: the configuration (with its rule file), the
# rules, and the alerts' own tests (norvik-rules.test.yml). Exit 77 without promtool.
#
#   tests/site/prometheus_examples.sh
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
examples=$here/../../docs/prometheus
if ! command -v promtool >/dev/null; then
    echo "prometheus_examples: promtool is missing (apt-get install prometheus); not checked"
    exit 77
fi
promtool check config "$examples/prometheus.yml"
promtool check rules "$examples/norvik-rules.yml"
promtool test rules "$here/norvik-rules.test.yml"
