#!/usr/bin/env bash
# One entry point for building, testing and running Norvik on Debian 12 or 13.
#
#   ./dev.sh run        install what is missing, build, start the program (needs a display)
#   ./dev.sh test       install what is missing, build, run the whole test suite
#   ./dev.sh test-asan  the suite built with AddressSanitizer and UndefinedBehaviorSanitizer
#   ./dev.sh test-tsan  the threaded and window tests built with ThreadSanitizer
#   ./dev.sh build      install what is missing and build (build/release)
#   ./dev.sh demo       the program with simulated devices, in a private network namespace
#   ./dev.sh flood-bench  install valgrind too, build, count what each kind of flood costs
#   ./dev.sh fuzz TARGET SECONDS  install clang and libFuzzer, build fuzz_TARGET (build/fuzz), fuzz
#                       it for SECONDS on a copy of tests/fuzz/corpus/TARGET, then merge what it
#                       found into that corpus, minimised; a crash stops with the input's path.
#                       TARGET: a tests/fuzz/TARGET_fuzz.cpp (plan_file, baseline, ...)
#   ./dev.sh package    build, then build/norvik_VERSION-1~debN_amd64.deb for this Debian release,
#                       checked and test-installed into a bare root of the same release, and
#                       the Ansible collection build/norvik-devices-VERSION.tar.gz
#   ./dev.sh build-windows    install mingw-w64 and Wine, build the Windows programs (build/windows)
#   ./dev.sh test-windows     build-windows, then the Windows tests under Wine, in a private network,
#                             and the installer's (package-windows) tables, install and uninstall
#   ./dev.sh package-windows  build-windows, then build/windows/norvik-VERSION-windows-x64.zip
#                             and the installer build/windows/norvik-VERSION-x64.msi
set -euo pipefail
cd "$(dirname "$0")"

# iproute2 and util-linux build the tests' private networks (ip, unshare, nsenter, setpriv);
# nftables plays a firewall in one of them.
PACKAGES=(cmake ninja-build g++ qt6-base-dev libgtest-dev fonts-dejavu-core
          iproute2 util-linux nftables)
# The translations are measured in the window with a font that has their glyphs (Chinese and
# Japanese), as their readers' desktops have one.
PACKAGES+=(fonts-wqy-microhei)
# What a screen reader hears of the window: AT-SPI over a session bus of the test's own, on a
# private X display.
PACKAGES+=(xvfb dbus-daemon at-spi2-core python3-pyatspi)
# Header-only, for the command-line programs: CLI11 (options) and nlohmann-json (JSON).
PACKAGES+=(libcli11-dev nlohmann-json3-dev)
# The ONVIF cameras' WS-Discovery replies are read with expat.
PACKAGES+=(libexpat1-dev)
# Real ONVIF clients vouch for the simulator's cameras: the npm package onvif runs under Node.js
# (fetched into build/npm with curl, see fetch_npm_onvif), libonvif's onvif-util needs libxml2.
PACKAGES+=(nodejs curl ca-certificates libxml2)
# The Ansible collection's tests run its modules, and playbooks over SSH to simulated sites
# (Python libraries and the SSH client only: nothing they install starts a service).
PACKAGES+=(ansible-core openssh-client)
# norvik-watch's metrics as a site's Prometheus meets them: promtool checks the metrics file, the
# example configuration and alert rules, and a test scrapes a real node-exporter serving the
# metrics. Debian's packages are unpacked into build/prometheus-tools, not installed: installing
# them would start a Prometheus server and an exporter on this machine. Debian 13 has promtool in
# a package of its own; Debian 12 ships it with the server.
prometheus_packages() {
    case $CODENAME in
        bookworm) echo prometheus prometheus-node-exporter ;;
        *) echo promtool prometheus-node-exporter ;;
    esac
}
# The sites' SSH server in the playbook test: Debian's sshd, unpacked into build/openssh-server
# (installing it would start a server on this machine), with the libraries it needs that a bare
# Debian lacks: libwrap, and on Debian 13 the session helper's libwtmpdb.
openssh_packages() {
    case $CODENAME in
        bookworm) echo openssh-server libwrap0 ;;
        *) echo openssh-server libwrap0 libwtmpdb0 ;;
    esac
}
# The Debian package's checks and its trial installation into a bare Debian of this release;
# systemd-analyze checks norvik-watch.service, which starts setfacl (acl).
PACKAGE_TOOLS=(dpkg-dev lintian desktop-file-utils appstream debootstrap systemd acl)
# Only the flood benchmark needs valgrind (callgrind counts its instructions).
BENCH_PACKAGES=(valgrind)
# The fuzz targets: clang, and its runtime libraries with libFuzzer, of the release's own clang.
fuzz_packages() {
    case $CODENAME in
        bookworm) echo clang libclang-rt-14-dev ;;
        *) echo clang libclang-rt-19-dev ;;
    esac
}
# The Windows build: the cross compiler, GoogleTest's sources for it, and Wine to test with.
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix googletest wine wine64 fonts-wine icoutils xvfb
                  zip wixl msitools)
# Authenticode signatures (tools/windows/sign-files), with a key on a PKCS#11 token through
# OpenSSL's engine; SoftHSM plays the token in the tests.
WINDOWS_PACKAGES+=(osslsigncode libengine-pkcs11-openssl openssl softhsm2)
JOBS=$(nproc 2>/dev/null || echo 2)
# Warnings stop the build in CI only (.ci/run sets NORVIK_WERROR=1): a newer compiler or Qt than
# ours must not stop a user's build.
if [ "${NORVIK_WERROR:-0}" = 1 ]; then WERROR=ON; else WERROR=OFF; fi

# The package names below are those of the Debian releases named here; anything else stops,
# saying so, before apt-get is asked for a name it may not know.
debian_codename() {
    local id version name
    id=$( (. /etc/os-release && echo "${ID:-}") 2>/dev/null || true)
    version=$( (. /etc/os-release && echo "${VERSION_ID:-}") 2>/dev/null || true)
    case "$id $version" in
        "debian 12") echo bookworm ;;
        "debian 13") echo trixie ;;
        *)
            name=$( (. /etc/os-release && echo "${PRETTY_NAME:-}") 2>/dev/null || true)
            echo "dev.sh: this system is ${name:-not described by /etc/os-release}, but dev.sh" \
                "supports Debian 12 (bookworm) and Debian 13 (trixie) only." >&2
            return 1
            ;;
    esac
}

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

# unpack_debs DIR PROGRAM PACKAGE...: Debian's packages unpacked into DIR, where the tests'
# configuration looks for them, unless DIR/PROGRAM is there already. apt-get download needs no
# root; only a missing package list does.
unpack_debs() {
    local dir=$1 program=$2 deb
    shift 2
    [ -x "$dir/$program" ] && return 0
    rm -rf "$dir" && mkdir -p "$dir/debs"
    echo "Unpacking into $dir: $*"
    if ! (cd "$dir/debs" && apt-get download -q "$@" 2>/dev/null); then
        if [ "$(id -u)" = 0 ]; then apt-get update -q; else sudo apt-get update -q; fi
        (cd "$dir/debs" && apt-get download -q "$@")
    fi
    for deb in "$dir"/debs/*.deb; do
        dpkg-deb -x "$deb" "$dir"
    done
}

# fetch_checked URL FILE SUM COMMAND: downloads URL to FILE and stops unless COMMAND (sha256sum
# or sha512sum) gives SUM for it: a peer of the tests is the one measured, or none.
fetch_checked() {
    local url=$1 file=$2 sum=$3 command=$4 got
    curl -fsSL --retry 3 -o "$file" "$url"
    got=$($command "$file" | cut -d' ' -f1)
    if [ "$got" != "$sum" ]; then
        echo "dev.sh: $url is not the file measured ($command $got)" >&2
        rm -f "$file"
        exit 1
    fi
}

# WS-Discovery peers from Debian 12's archive, on either release: Debian 13 has neither wsdd
# (a responder for a Windows PC) nor onvif-tools (libonvif's client). Unpacked, not installed:
# wsdd's package starts its service. DIR:PATH:SHA256.
DEBIAN12_PEERS=(
    build/wsdd:w/wsdd/wsdd_0.7.0-2.1_all.deb:dd8ef213a4c69d6e46d240025542f2644d850d1306507e90e1c9b2be742537bd
    build/onvif-tools:libo/libonvif/onvif-tools_1.4.4-1_amd64.deb:8285e50433a38ecf54feec63d880d4e77e8e0797608869299505a9996c589c89
    build/onvif-tools:libo/libonvif/libonvif1_1.4.4-1_amd64.deb:ae958d10145772a3301116f8b9d9bb9a92bad599b47aac24e750dfa062000875
)
fetch_debian12_peers() {
    local entry dir rest path sum deb
    [ -f build/wsdd/usr/sbin/wsdd ] && [ -x build/onvif-tools/usr/bin/onvif-util ] && return 0
    rm -rf build/wsdd build/onvif-tools
    echo "Fetching from Debian 12's archive into build/: wsdd, onvif-tools"
    for entry in "${DEBIAN12_PEERS[@]}"; do
        dir=${entry%%:*}
        rest=${entry#*:}
        path=${rest%%:*}
        sum=${rest#*:}
        deb=$dir/${path##*/}
        mkdir -p "$dir"
        fetch_checked "http://deb.debian.org/debian/pool/main/$path" "$deb" "$sum" sha256sum
        dpkg-deb -x "$deb" "$dir"
    done
}

# The npm package onvif 0.8.3 and what it requires, each checked against the SHA-512 the registry
# gives for it, without npm (Debian's would bring hundreds of packages): PATH:SHA512.
NPM_ONVIF=(
    onvif/-/onvif-0.8.3.tgz:e7982440a44755e854e2d65647f772e802cb53d6ba03761f997e9d6bf8e82c57cdb47dd848b6b0db2ba2a062c2f07e598c7a98f08f540d26e83e242a1052feb7
    xml2js/-/xml2js-0.6.2.tgz:4f8ae2787682d445dc112d0ac718f825681a5101c393eab01dc60e0851df8b02b3eed3953cbabb1e3abd74cd5608c87296a3047cfee131c3880a1be8b6265e80
    sax/-/sax-1.6.1.tgz:e36b415702d69da42f5b9cdce076d9ad3b9671c1020997c18bdd850eec2dab16ac1fe25b3c1dff14e29bd66db6d8ae364785b1bb1cf332c4ecc1fce0b52bbae1
    xmlbuilder/-/xmlbuilder-11.0.1.tgz:7c396c23f905131ee02ef6de71cd3fa212c6e747ee810a7caf21f3313b96f6f49ad462745d858a9e1b14c7ba227b71bdf3eaf9e9a4d0214078921b78d91dc9bc
)
fetch_npm_onvif() {
    local modules=build/npm/node_modules entry path sum name tarball
    [ -f "$modules/onvif/package.json" ] && return 0
    rm -rf build/npm && mkdir -p "$modules"
    echo "Fetching into build/npm: the npm package onvif 0.8.3"
    for entry in "${NPM_ONVIF[@]}"; do
        path=${entry%%:*}
        sum=${entry#*:}
        name=${path%%/*}
        tarball=build/npm/$name.tgz
        fetch_checked "https://registry.npmjs.org/$path" "$tarball" "$sum" sha512sum
        mkdir -p "$modules/$name"
        tar -xzf "$tarball" -C "$modules/$name" --strip-components=1
    done
}

# The servers and peers the tests talk to: promtool and prometheus-node-exporter, sshd, wsdd and
# onvif-util, and the npm package onvif.
unpack_test_servers() {
    # shellcheck disable=SC2046  # one word per package
    unpack_debs build/prometheus-tools usr/bin/promtool $(prometheus_packages)
    # shellcheck disable=SC2046
    unpack_debs build/openssh-server usr/sbin/sshd $(openssh_packages)
    fetch_debian12_peers
    fetch_npm_onvif
}

# build DIR [cmake options...]
build() {
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja -DNORVIK_WERROR=$WERROR "$@" >/dev/null
    cmake --build "$dir" -j "$JOBS"
}

# test_programs DIR LABELS: the programs of DIR that the tests whose labels match the regular
# expression LABELS run (read from CTest's files, so a new test needs nothing here). Building
# just these, with what they link and the tools they name, leaves out what those tests never
# start.
test_programs() {
    local dir=$1 labels=$2
    find "$dir" -name CTestTestfile.cmake -exec cat {} + |
        awk -v dir="$dir/" -v labels="$labels" '
            function name_of(line) {
                sub(/^[a-z_]+\(\[=\[/, "", line)
                sub(/\]=\].*/, "", line)
                return line
            }
            /^add_test\(/ { command[name_of($0)] = $0 }
            /^set_tests_properties\(/ && match($0, /LABELS "[^"]*"/) {
                if (substr($0, RSTART + 8, RLENGTH - 9) ~ labels) wanted[name_of($0)] = 1
            }
            END {
                for (test in wanted) {
                    rest = command[test]
                    while (match(rest, /"[^"]*"/)) {
                        path = substr(rest, RSTART + 1, RLENGTH - 2)
                        rest = substr(rest, RSTART + RLENGTH)
                        if (index(path, dir) == 1) {
                            count = split(path, parts, "/")
                            print parts[count]
                        }
                    }
                }
            }' | sort -u
}

# build_for_tests DIR LABELS [cmake options...]: configures DIR and builds what the tests of
# LABELS run.
build_for_tests() {
    local dir=$1 labels=$2 programs
    shift 2
    cmake -S . -B "$dir" -G Ninja -DNORVIK_WERROR=$WERROR "$@" >/dev/null
    programs=$(test_programs "$PWD/$dir" "$labels")
    [ -n "$programs" ] || { echo "dev.sh: no test in $dir is labelled $labels" >&2; exit 1; }
    # shellcheck disable=SC2086  # one word per program
    cmake --build "$dir" -j "$JOBS" --target $programs
}

run_tests() {
    local dir=$1
    shift
    # A typo in a label, or a build without its tests, fails rather than passing with none run.
    ctest --test-dir "$dir" --output-on-failure --no-tests=error -j "$JOBS" "$@"
}

build_windows() {
    install_missing "${WINDOWS_PACKAGES[@]}"
    build build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
}

# The installed command-line programs, one a line (cli/programs.txt).
cli_programs() {
    grep '^norvik-' cli/programs.txt
}

project_version() {
    sed -n 's/^project(Norvik VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt
}

# What a Windows user downloads: the programs (without their debugging symbols), the sample
# language files and a short README with Windows line ends, as a zip and as the installer
# build/windows/norvik-VERSION-x64.msi, which installs the same files.
# sign FILE...: signed where tools/windows/sign-files is given a certificate; the caller says
# once that the build is unsigned otherwise (status 3).
sign() {
    local status=0
    tools/windows/sign-files "$@" || status=$?
    [ "$status" = 0 ] || [ "$status" = 3 ] || exit 1
    return "$status"
}

package_windows() {
    # The window and the command-line programs, by their place in the Windows build.
    local programs=(app/norvik.exe) version stage zip program signed=yes msi
    for program in $(cli_programs); do
        programs+=("cli/${program#norvik-}/$program.exe")
    done
    version=$(project_version)
    stage=build/windows/package/norvik-$version
    zip=$PWD/build/windows/norvik-$version-windows-x64.zip
    rm -rf build/windows/package "$zip"
    mkdir -p "$stage"
    for program in "${programs[@]}"; do
        x86_64-w64-mingw32-strip -o "$stage/$(basename "$program")" "build/windows/$program"
    done
    sign "$stage"/*.exe || signed=no
    # The English template at the top, each translation in the folder of its language.
    cp res/Language.ini "$stage/"
    for language in res/*/Language.ini; do
        mkdir "$stage/$(basename "$(dirname "$language")")"
        cp "$language" "$stage/$(basename "$(dirname "$language")")/"
    done
    # Notepad before Windows 10 shows a text with bare line feeds as one line.
    sed "s/@VERSION@/$version/; s/\$/\r/" res/windows/README.txt.in >"$stage/README.txt"
    sed 's/$/\r/' LICENSE >"$stage/LICENSE.txt"
    (cd build/windows/package && zip -q -r -X "$zip" "norvik-$version")
    echo "$zip"
    msi=build/windows/norvik-$version-x64.msi
    tools/windows/build-msi "$stage" "$version" build/windows/app/win32/norvik.ico "$msi"
    [ "$signed" = no ] || sign "$msi"
    echo "$PWD/$msi"
    [ "$signed" = yes ] ||
        echo "dev.sh: the programs and the installer are not signed (no certificate given: see docs/windows.md)" >&2
}

# The .deb of the release build for the Debian release dev.sh runs on (its name says which:
# norvik_VERSION-1~deb12_amd64.deb), checked by lintian, desktop-file-validate, appstreamcli and
# systemd-analyze (norvik-watch.service as packaged), then installed with apt into a bare root
# of that same release (tools/debian-root), where the installed norvik-scan runs inside a
# private network namespace and norvik-watch.service is left disabled, and which it then goes
# through an upgrade, a removal and a purge in (package_lifecycle).
package_deb() {
    local deb root unpacked trial=build/debootstrap/trial log=build/debootstrap/install.log
    rm -f build/release/norvik_*.deb
    (cd build/release && cpack -G DEB >cpack.log 2>&1) || { cat build/release/cpack.log; exit 1; }
    deb=$(echo build/release/norvik_*_amd64.deb)
    mv "$deb" build/
    deb=build/$(basename "$deb")
    lintian --fail-on error "$deb"
    desktop-file-validate res/linux/org.norvik.Norvik.desktop
    appstreamcli validate --no-net res/linux/org.norvik.Norvik.metainfo.xml
    unpacked=build/release/unpacked-deb
    rm -rf "$unpacked"
    dpkg-deb -x "$deb" "$unpacked"
    # The exposure score systemd-analyze gives the unit (1.1 on Debian 12) may not grow.
    tools/check-service "$unpacked/usr/lib/systemd/system/norvik-watch.service" \
        "$unpacked/usr/bin/norvik-watch" 12
    rm -rf "$unpacked"
    if [ "$(id -u)" != 0 ]; then
        echo "dev.sh package: $deb is built and checked; trying its installation needs root."
        return 0
    fi
    root=$(tools/debian-root "$CODENAME")
    # A copy, so the kept root stays bare for the next run.
    rm -rf "$trial"
    cp -a "$root" "$trial"
    cp "$deb" "$trial/tmp/"
    chroot "$trial" env DEBIAN_FRONTEND=noninteractive \
        sh -c "apt-get update && apt-get install -y /tmp/$(basename "$deb")" >"$log" 2>&1 ||
        { cat "$log"; echo "dev.sh package: apt could not install $deb" >&2; exit 1; }
    # Every program is there, and finds every library it needs (ldd says a missing file on
    # standard error, which the grep would not see).
    local programs=/usr/bin/norvik program
    for program in norvik-launcher $(cli_programs); do
        programs+=" /usr/bin/$program"
    done
    for program in $programs; do
        chroot "$trial" test -x "$program" ||
            { echo "dev.sh package: the package brought no $program" >&2; exit 1; }
    done
    chroot "$trial" sh -c "! ldd $programs 2>&1 | grep -e 'not found' -e 'No such file'"
    # The launcher finds every shipped translation where the package put them.
    [ "$(chroot "$trial" /usr/bin/norvik-launcher --languages | tr '\n' ' ')" = \
        "en $(cd res && for file in */Language.ini; do printf '%s ' "${file%/*}"; done)" ] ||
        { echo "dev.sh package: norvik-launcher does not list the translations" >&2; exit 1; }
    # The window opens a device's web page through xdg-open, which the package recommends.
    chroot "$trial" test -x /usr/bin/xdg-open ||
        { echo "dev.sh package: installing it brought no xdg-open" >&2; exit 1; }
    chroot "$trial" test -f /usr/share/applications/org.norvik.Norvik.desktop
    chroot "$trial" test -f /usr/lib/systemd/system/norvik-watch.service
    # With systemd there too, the postinst makes the group the service writes its metrics with,
    # and the service stays disabled.
    chroot "$trial" env DEBIAN_FRONTEND=noninteractive sh -c \
        'apt-get install -y --no-install-recommends systemd && /var/lib/dpkg/info/norvik.postinst configure' \
        >>"$log" 2>&1 || { cat "$log"; echo "dev.sh package: norvik's postinst failed" >&2; exit 1; }
    chroot "$trial" getent group norvik-textfile >/dev/null
    # The audit log's rotation, as Debian's logrotate reads it.
    chroot "$trial" env DEBIAN_FRONTEND=noninteractive sh -c \
        'apt-get install -y --no-install-recommends logrotate && mkdir -p /var/log/norvik &&
         echo "{}" >/var/log/norvik/audit.jsonl &&
         logrotate --force --state /tmp/logrotate.state /etc/logrotate.d/norvik &&
         test -f /var/log/norvik/audit.jsonl.1 && ! test -e /var/log/norvik/audit.jsonl' \
        >>"$log" 2>&1 || { cat "$log"; echo "dev.sh package: the audit log is not rotated" >&2; exit 1; }
    [ "$(chroot "$trial" systemctl is-enabled norvik-watch.service || true)" = disabled ] ||
        { echo "dev.sh package: norvik-watch.service is not left disabled" >&2; exit 1; }
    build/release/tools/netns/norvik-netns -- \
        chroot "$trial" /usr/bin/norvik-scan --json --timeout 0.5 |
        grep -q '"dropped_devices":0'
    package_lifecycle "$trial" "/tmp/$(basename "$deb")" >>"$log" 2>&1 ||
        { cat "$log"; exit 1; }
    rm -rf "$trial"
    echo "$deb: installed into a bare $CODENAME, its norvik-scan ran there, and it was upgraded," \
        "removed and purged"
}

# norvik-watch.service, once the administrator enabled it, through an upgrade, a removal and a
# purge of the package in the trial root TRIAL (DEB is the package's path there). No systemd
# runs there: once the unit is enabled, /run/systemd/system says that one does (systemctl then
# fails to reach it, as the scripts allow), and deb-systemd-invoke is replaced by a script that
# writes down what it is asked to do.
package_lifecycle() {
    local trial=$1 deb=$2 link=etc/systemd/system/multi-user.target.wants/norvik-watch.service
    lifecycle_fault() {
        echo "dev.sh package: $*" >&2
        return 1
    }
    # Called where a failure does not end the shell: each step says whether it went through.
    chroot "$trial" systemctl enable norvik-watch.service || return
    mkdir -p "$trial/run/systemd/system" || return
    printf '#!/bin/sh\necho "$*" >>/tmp/invoked\n' >"$trial/usr/bin/deb-systemd-invoke" || return
    # The same version again is an upgrade to the maintainer scripts.
    chroot "$trial" dpkg -i "$deb" || return
    [ -L "$trial/$link" ] || lifecycle_fault "an upgrade disabled norvik-watch.service" || return
    [ "$(cat "$trial/tmp/invoked")" = "try-restart norvik-watch.service" ] ||
        lifecycle_fault "an upgrade did not restart a running norvik-watch.service" || return
    chroot "$trial" dpkg --remove norvik || return
    [ "$(tail -n 1 "$trial/tmp/invoked")" = "stop norvik-watch.service" ] ||
        lifecycle_fault "removing the package left norvik-watch.service running" || return
    chroot "$trial" dpkg --purge norvik || return
    ! [ -L "$trial/$link" ] ||
        lifecycle_fault "a purge left the link that enabled norvik-watch.service" || return
}

# The Ansible collection's release artefact (build/norvik-devices-VERSION.tar.gz), installed into
# a scratch folder and each module's documentation read from there, as ansible-doc shows it.
package_collection() {
    local scratch artefact module
    scratch=$(mktemp -d)
    rm -f build/norvik-devices-*.tar.gz
    HOME=$scratch ansible-galaxy collection build ansible/ansible_collections/norvik/devices \
        --output-path build >/dev/null
    artefact=$(echo build/norvik-devices-*.tar.gz)
    HOME=$scratch ANSIBLE_COLLECTIONS_PATH=$scratch/collections \
        ansible-galaxy collection install "$artefact" -p "$scratch/collections" >/dev/null
    for module in scan device plan; do
        HOME=$scratch ANSIBLE_COLLECTIONS_PATH=$scratch/collections \
            ansible-doc "norvik.devices.$module" >/dev/null
    done
    rm -rf "$scratch"
    echo "$artefact: built, installed, and its modules' documentation read"
}

# The Linux side of the Windows tests, built without Qt: the private-namespace runner, the
# device simulator, the Linux scanner to compare with, and the suites that drive Wine.
build_host_tools() {
    build_for_tests build/host wine -DNORVIK_BUILD_GUI=OFF -DNORVIK_BUILD_BENCH=OFF
    # norvik-wine starts every Windows program through norvik-netns.
    cmake --build build/host -j "$JOBS" --target norvik-netns
}

# fuzz TARGET SECONDS: the libraries a target calls are built with the engine's coverage and
# the sanitizers (NORVIK_FUZZ), so that it finds its way into them. The engine works on a copy
# of the committed corpus; the merge then keeps, from both, the fewest inputs that reach every
# edge they reach together.
fuzz_target() {
    local target=$1 seconds=$2 work program corpus status
    if [ ! -f "tests/fuzz/${target}_fuzz.cpp" ] || [ ! -d "tests/fuzz/corpus/$target" ]; then
        echo "dev.sh fuzz: no fuzz target '$target'; there are:" \
            "$(cd tests/fuzz && ls -- *_fuzz.cpp | sed 's/_fuzz\.cpp$//' | tr '\n' ' ')" >&2
        exit 2
    fi
    case $seconds in
        '' | *[!0-9]* | 0)
            echo "dev.sh fuzz: SECONDS is a whole number of seconds above 0, not '$seconds'" >&2
            exit 2
            ;;
    esac
    # shellcheck disable=SC2046  # one word per package
    install_missing $(fuzz_packages)
    cmake -S . -B build/fuzz -G Ninja -DNORVIK_WERROR=$WERROR -DCMAKE_CXX_COMPILER=clang++ \
        -DNORVIK_FUZZ=ON -DNORVIK_BUILD_GUI=OFF -DNORVIK_BUILD_BENCH=OFF >/dev/null
    cmake --build build/fuzz -j "$JOBS" --target "fuzz_$target"
    program=build/fuzz/tests/fuzz/fuzz_$target
    corpus=tests/fuzz/corpus/$target
    work=build/fuzz/work/$target
    rm -rf "$work"
    mkdir -p "$work/corpus" "$work/crashes" "$work/merged"
    cp -r "$corpus/." "$work/corpus/"
    status=0
    "$program" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$work/crashes/" "$work/corpus" || status=$?
    if [ "$status" != 0 ] || [ -n "$(ls -A "$work/crashes")" ]; then
        echo "dev.sh fuzz: fuzz_$target failed (exit $status) on the input:" >&2
        ls -d "$PWD/$work/crashes/"* >&2 || true
        echo "Run it again with: $program INPUT" >&2
        exit 1
    fi
    "$program" -merge=1 "$work/merged" "$corpus" "$work/corpus" 2>"$work/merge.log" ||
        { cat "$work/merge.log" >&2; echo "dev.sh fuzz: the merge failed" >&2; exit 1; }
    echo "$corpus: $(find "$corpus" -type f | wc -l) inputs before," \
        "$(find "$work/merged" -type f | wc -l) after the merge"
    find "$corpus" -type f -delete
    cp -r "$work/merged/." "$corpus/"
}

# A window needs a display; without one Qt would only abort.
require_display() {
    [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ] && return 0
    echo "dev.sh $1: Norvik is a window and needs a display, but neither DISPLAY nor" >&2
    echo "WAYLAND_DISPLAY is set. Run it from a desktop session (or ssh -X), or use the" >&2
    echo "headless scanner: ./dev.sh build, then build/release/cli/scan/norvik-scan" >&2
    echo "(see docs/command-line.md)." >&2
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
    build | run | test | test-asan | test-tsan | package | build-windows | test-windows | \
        package-windows | demo | flood-bench | fuzz)
        CODENAME=$(debian_codename) || exit 1
        ;;
esac

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
        unpack_test_servers
        build build/release
        run_tests build/release -LE wine
        ;;
    test-asan)
        install_missing
        unpack_test_servers
        build build/asan -DNORVIK_SANITIZE=address,undefined -DNORVIK_BUILD_BENCH=OFF
        # The collection's tests run Python and the same norvik-set as the suite's own tests of it.
        ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
            run_tests build/asan -LE 'wine|ansible'
        ;;
    test-tsan)
        install_missing
        unpack_test_servers
        build_for_tests build/tsan 'threaded|gui' -DNORVIK_SANITIZE=thread -DNORVIK_BUILD_BENCH=OFF
        TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tests/tsan.supp \
            run_tests build/tsan -L 'threaded|gui'
        ;;
    package)
        install_missing "${PACKAGE_TOOLS[@]}"
        build build/release
        package_deb
        package_collection
        ;;
    build-windows)
        build_windows
        ;;
    test-windows)
        build_windows
        build_host_tools
        tools/wine/norvik-wine --display -- bash -c \
            "ctest --test-dir build/windows --output-on-failure --no-tests=error -j $JOBS &&
             ctest --test-dir build/host --output-on-failure --no-tests=error -L wine"
        # Signed as a release is, with a certificate authority made for the test and its
        # time-stamping server on a private loopback; unsigned where no namespace can be made.
        status=0
        build/host/tools/netns/norvik-netns -- tests/windows/signing/signed_package_test.sh ||
            status=$?
        case $status in
            0) ;;
            77) package_windows ;;
            *) exit 1 ;;
        esac
        version=$(project_version)
        tests/windows/msi_tables.sh "build/windows/norvik-$version-x64.msi" "$version"
        # A fresh prefix of its own: the installer's test installs and removes.
        tools/wine/norvik-wine -- tests/windows/msi_under_wine.sh \
            "build/windows/norvik-$version-x64.msi" "build/windows/package/norvik-$version" \
            build/windows/app/win32/norvik.ico
        ;;
    package-windows)
        build_windows
        package_windows
        ;;
    flood-bench)
        install_missing "${BENCH_PACKAGES[@]}"
        build build/release
        bench/flood-instructions.sh build/release
        ;;
    fuzz)
        fuzz_target "${2:-}" "${3:-}"
        ;;
    demo)
        require_display demo
        install_missing
        build build/release
        exec bash tools/demo.sh build/release
        ;;
    *)
        usage
        exit 2
        ;;
esac
