#!/usr/bin/env bash
# Where no private network namespace can be made, a network test skips, unless
# NORVIK_REQUIRE_NETWORK_TESTS=1 (as in CI) makes that a failure. Such a place is made here: a
# user namespace that allows no further user namespaces, entered without capabilities.
#
#   require_network_test.sh NORVIK_NETNS NETWORK_TEST_PROGRAM
set -uo pipefail
netns=$1
network_test=$2

without_namespaces() {
    unshare --user --map-root-user sh -c '
        echo 0 >/proc/sys/user/max_user_namespaces &&
        exec setpriv --bounding-set=-all --inh-caps=-all -- "$@"' sh "$@"
}

if ! without_namespaces true 2>/dev/null; then
    echo "cannot make a place without network namespaces here"
    [ "${NORVIK_REQUIRE_NETWORK_TESTS:-}" = 1 ] && exit 1
    exit 77
fi

failed=0
expect() {
    local want=$1 got=$2 what=$3
    if [ "$got" != "$want" ]; then
        echo "FAILED: $what: exit code $got, expected $want"
        failed=1
    fi
}

NORVIK_REQUIRE_NETWORK_TESTS= without_namespaces "$netns" -- true 2>/dev/null
expect 77 $? "norvik-netns without the switch"
NORVIK_REQUIRE_NETWORK_TESTS=1 without_namespaces "$netns" -- true 2>/dev/null
expect 1 $? "norvik-netns with the switch"

out=$(NORVIK_REQUIRE_NETWORK_TESTS= without_namespaces "$network_test" 2>&1)
expect 0 $? "a network test without the switch"
grep -q "so no network test runs" <<<"$out" || { echo "FAILED: no skip message: $out"; failed=1; }
out=$(NORVIK_REQUIRE_NETWORK_TESTS=1 without_namespaces "$network_test" 2>&1)
expect 1 $? "a network test with the switch"
grep -q "NORVIK_REQUIRE_NETWORK_TESTS=1 demands" <<<"$out" ||
    { echo "FAILED: no failure message: $out"; failed=1; }
exit $failed
