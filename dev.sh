#!/usr/bin/env bash
# One entry point for building, testing and running Norvik on Debian 12.
#
#   ./dev.sh run        install what is missing, build, start the program
#   ./dev.sh test       install what is missing, build, run the whole test suite
#   ./dev.sh test-asan  the suite built with AddressSanitizer and UndefinedBehaviorSanitizer
#   ./dev.sh test-tsan  the threaded and window tests built with ThreadSanitizer
#   ./dev.sh build      install what is missing and build (build/release)
#   ./dev.sh demo       the program with simulated devices, in a private network namespace
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev libgl-dev libgtest-dev fonts-liberation
          iproute2 util-linux)
JOBS=$(nproc 2>/dev/null || echo 2)

install_missing() {
    local missing=() p
    for p in "${PACKAGES[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$p")
    done
    ((${#missing[@]})) || return 0
    local sudo=()
    [ "$(id -u)" = 0 ] || sudo=(sudo)
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}" ||
        { "${sudo[@]}" apt-get update && "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"; }
}

# build DIR [cmake options...]
build() {
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja -DNORVIK_WERROR=ON "$@" >/dev/null
    cmake --build "$dir" -j "$JOBS"
}

run_tests() {
    local dir=$1
    shift
    ctest --test-dir "$dir" --output-on-failure -j "$JOBS" "$@"
}

case "${1:-}" in
    build)
        install_missing
        build build/release
        ;;
    run)
        install_missing
        build build/release
        exec build/release/app/norvik
        ;;
    test)
        install_missing
        build build/release
        run_tests build/release
        ;;
    test-asan)
        install_missing
        build build/asan -DNORVIK_SANITIZE=address,undefined -DNORVIK_BUILD_BENCH=OFF
        ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
            run_tests build/asan
        ;;
    test-tsan)
        install_missing
        build build/tsan -DNORVIK_SANITIZE=thread -DNORVIK_BUILD_BENCH=OFF
        TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tests/tsan.supp \
            run_tests build/tsan -L 'threaded|gui'
        ;;
    demo)
        install_missing
        build build/release
        exec build/release/tools/netns/norvik-netns -- bash tools/demo.sh build/release
        ;;
    *)
        sed -n '2,10p' "$0" | sed 's/^# \{0,1\}//'
        exit 2
        ;;
esac
