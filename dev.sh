#!/usr/bin/env bash
# One entry point for building, testing and running Norvik on Debian 12.
#
#   ./dev.sh run        install what is missing, build, start the program (needs a display)
#   ./dev.sh test       install what is missing, build, run the whole test suite
#   ./dev.sh test-asan  the suite built with AddressSanitizer and UndefinedBehaviorSanitizer
#   ./dev.sh test-tsan  the threaded and window tests built with ThreadSanitizer
#   ./dev.sh build      install what is missing and build (build/release)
#   ./dev.sh demo       the program with simulated devices, in a private network namespace
#   ./dev.sh package    build, then build/norvik_VERSION_amd64.deb, checked and test-installed
#   ./dev.sh build-windows    install mingw-w64 and Wine, build the Windows programs (build/windows)
#   ./dev.sh test-windows     build-windows, then the Windows tests under Wine, in a private network
#   ./dev.sh package-windows  build-windows, then build/windows/norvik-VERSION-windows-x64.zip
set -euo pipefail
cd "$(dirname "$0")"

# iproute2 and util-linux build the tests' private networks (ip, unshare, nsenter, setpriv).
PACKAGES=(cmake ninja-build g++ qt6-base-dev libgtest-dev fonts-dejavu-core
          iproute2 util-linux)
# Header-only, for the command-line programs: CLI11 (options) and nlohmann-json (JSON).
PACKAGES+=(libcli11-dev nlohmann-json3-dev)
# The Debian package's checks and its trial installation into a bare Debian 12.
PACKAGE_TOOLS=(dpkg-dev lintian desktop-file-utils appstream debootstrap)
# The Windows build: the cross compiler, GoogleTest's sources for it, and Wine to test with.
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix googletest wine wine64 fonts-wine icoutils xvfb
                  zip)
JOBS=$(nproc 2>/dev/null || echo 2)

install_missing() {
    local missing=() p
    for p in "${PACKAGES[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$p")
    done
    ((${#missing[@]})) || return 0
    local sudo=()
    if [ "$(id -u)" != 0 ]; then
        if ! command -v sudo >/dev/null; then
            echo "dev.sh: these packages are missing, and installing them needs root:" >&2
            echo "    apt-get install -y --no-install-recommends ${missing[*]}" >&2
            echo "Run that line as root (su -), then run ./dev.sh again." >&2
            exit 1
        fi
        sudo=(sudo)
    fi
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

build_windows() {
    install_missing "${WINDOWS_PACKAGES[@]}"
    build build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
}

# The zip a Windows user downloads: the programs (without their debugging symbols), the
# sample language files and a short README with Windows line ends.
package_windows() {
    local version stage zip
    version=$(sed -n 's/^project(Norvik VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
    stage=build/windows/package/norvik-$version
    zip=$PWD/build/windows/norvik-$version-windows-x64.zip
    rm -rf build/windows/package "$zip"
    mkdir -p "$stage/zh_TW"
    x86_64-w64-mingw32-strip -o "$stage/norvik.exe" build/windows/app/norvik.exe
    x86_64-w64-mingw32-strip -o "$stage/norvik-scan.exe" build/windows/cli/scan/norvik-scan.exe
    x86_64-w64-mingw32-strip -o "$stage/norvik-set.exe" build/windows/cli/set/norvik-set.exe
    cp res/Language.ini "$stage/"
    cp res/zh_TW/Language.ini "$stage/zh_TW/"
    sed "s/@VERSION@/$version/" res/windows/README.txt.in >"$stage/README.txt"
    (cd build/windows/package && zip -q -r -X "$zip" "norvik-$version")
    echo "$zip"
}

# build/norvik_VERSION_amd64.deb from the release build, checked by lintian, desktop-file-validate
# and appstreamcli, then installed with apt into a bare Debian 12 (debootstrap, cached in
# build/debootstrap), where the installed norvik-scan runs inside a private network namespace.
package_deb() {
    local version deb root
    version=$(sed -n 's/^project(Norvik VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
    deb=build/norvik_${version}_amd64.deb
    (cd build/release && cpack -G DEB >/dev/null 2>&1)
    mv "build/release/norvik_${version}_amd64.deb" "$deb"
    lintian --fail-on error "$deb"
    desktop-file-validate res/linux/org.norvik.Norvik.desktop
    appstreamcli validate --no-net res/linux/org.norvik.Norvik.metainfo.xml
    if [ "$(id -u)" != 0 ]; then
        echo "dev.sh package: $deb is built and checked; trying its installation needs root."
        return 0
    fi
    root=$PWD/build/debootstrap/bookworm
    if [ ! -x "$root/usr/bin/apt-get" ]; then
        rm -rf "$root"
        mkdir -p "$root"
        debootstrap --variant=minbase bookworm "$root" http://deb.debian.org/debian \
            >build/debootstrap/debootstrap.log 2>&1 ||
            { cat build/debootstrap/debootstrap.log; exit 1; }
    fi
    # A copy, so the cached root stays bare for the next run.
    rm -rf build/debootstrap/trial
    cp -a "$root" build/debootstrap/trial
    cp "$deb" build/debootstrap/trial/tmp/
    chroot build/debootstrap/trial env DEBIAN_FRONTEND=noninteractive \
        sh -c "apt-get update && apt-get install -y /tmp/$(basename "$deb")" \
        >build/debootstrap/install.log 2>&1 ||
        { cat build/debootstrap/install.log; echo "dev.sh package: apt could not install $deb" >&2; exit 1; }
    chroot build/debootstrap/trial sh -c '! ldd /usr/bin/norvik /usr/bin/norvik-scan | grep "not found"'
    chroot build/debootstrap/trial test -f /usr/share/applications/org.norvik.Norvik.desktop
    build/release/tools/netns/norvik-netns -- \
        chroot build/debootstrap/trial /usr/bin/norvik-scan --json --timeout 0.5 |
        grep -q '"dropped_devices":0'
    rm -rf build/debootstrap/trial
    echo "$deb: installed into a bare Debian 12, and its norvik-scan ran there"
}

# The Linux side of the Windows tests, built without Qt: the private-namespace runner, the
# device simulator, the Linux scanner to compare with, and the suites that drive Wine.
build_host_tools() {
    build build/host -DNORVIK_BUILD_GUI=OFF -DNORVIK_BUILD_BENCH=OFF
}

# A window needs a display; without one Qt would only abort.
require_display() {
    [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ] && return 0
    echo "dev.sh $1: Norvik is a window and needs a display, but neither DISPLAY nor" >&2
    echo "WAYLAND_DISPLAY is set. Run it from a desktop session (or ssh -X), or use the" >&2
    echo "headless scanner: ./dev.sh build, then build/release/cli/scan/norvik-scan" >&2
    echo "(see README.md)." >&2
    exit 1
}

# The comment block at the top, without its marks.
usage() {
    local line
    while IFS= read -r line; do
        case $line in
            '#!'*) ;;
            '#'*)
                line=${line#\#}
                printf '%s\n' "${line# }"
                ;;
            *) break ;;
        esac
    done <"$0"
}

case "${1:-}" in
    build)
        install_missing
        build build/release
        ;;
    run)
        require_display run
        install_missing
        build build/release
        exec build/release/app/norvik
        ;;
    test)
        install_missing
        build build/release
        run_tests build/release -LE wine
        ;;
    test-asan)
        install_missing
        build build/asan -DNORVIK_SANITIZE=address,undefined -DNORVIK_BUILD_BENCH=OFF
        ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
            run_tests build/asan -LE wine
        ;;
    test-tsan)
        install_missing
        build build/tsan -DNORVIK_SANITIZE=thread -DNORVIK_BUILD_BENCH=OFF
        TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tests/tsan.supp \
            run_tests build/tsan -L 'threaded|gui'
        ;;
    package)
        install_missing "${PACKAGE_TOOLS[@]}"
        build build/release
        package_deb
        ;;
    build-windows)
        build_windows
        ;;
    test-windows)
        build_windows
        build_host_tools
        tools/wine/norvik-wine --display -- bash -c \
            "ctest --test-dir build/windows --output-on-failure -j $JOBS &&
             ctest --test-dir build/host --output-on-failure -L wine"
        package_windows
        ;;
    package-windows)
        build_windows
        package_windows
        ;;
    demo)
        require_display demo
        install_missing
        build build/release
        exec build/release/tools/netns/norvik-netns -- bash tools/demo.sh build/release
        ;;
    *)
        usage
        exit 2
        ;;
esac
