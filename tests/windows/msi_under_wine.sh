#!/usr/bin/env bash
# The installer under Wine, in the fresh prefix of one tools/wine/norvik-wine run: a silent
# install, the upgrade to a newer version built from the same files with a language chosen
# (NORVIK_LANGUAGE=de), a second upgrade that keeps it, the refusal of the older one after
# them, the uninstall, and the refusal of a language there is no file for.
#
#   tools/wine/norvik-wine -- tests/windows/msi_under_wine.sh NORVIK.msi STAGE ICON
#
# STAGE and ICON are what the installer was built from (tools/windows/build-msi); the newer
# version is built from them here.
set -euo pipefail

msi=$(realpath "$1")
stage=$(realpath "$2")
icon=$(realpath "$3")
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
run=$root/tools/wine/run-windows-program
# Refuses to go on outside norvik-wine, before any Windows program runs.
"$run" cmd /c exit 0 || exit 1

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
installed="$WINEPREFIX/drive_c/Program Files/Norvik"
failures=0
fail() {
    echo "msi_under_wine: $*" >&2
    failures=$((failures + 1))
}
# Whether the installed-apps list shows Norvik as EXPECTED (one line an entry, empty for not
# at all). A list that could not be read is a failure, not an empty list.
listed_as() {
    local expected=$1 when=$2 key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
    local listing versions
    if ! listing=$("$run" reg query "$key" /s); then
        fail "$when: the installed-apps list could not be read"
        return
    fi
    # The blank line ending the last entry is lost with the substitution's trailing line ends.
    versions=$(printf '%s\n\n' "$listing" | tr -d '\r' | awk '/^HKEY/ { name = "" }
        /DisplayName/ { name = $NF } /DisplayVersion/ { version = $NF }
        /^$/ && name == "Norvik" { print version; name = "" }')
    [ "$versions" = "$expected" ] ||
        fail "$when: installed apps list Norvik as: ${versions:-nothing}"
}
shortcuts() { find "$WINEPREFIX/drive_c" -path '*Start Menu/Programs/Norvik.lnk'; }
# Its exit code is said when it is not 0: the low byte of Windows' (1603 shows as 67). 1618,
# shown as 82 (another installation is still in progress, as the one before may be for a
# moment), is waited out once, as a script on Windows would.
msiexec() {
    local status
    "$run" msiexec "$@" /qn
    status=$?
    if [ "$status" = 82 ]; then
        sleep 5
        "$run" msiexec "$@" /qn
        status=$?
    fi
    [ "$status" = 0 ] || echo "msi_under_wine: msiexec $* ended with $status (low byte)" >&2
    return "$status"
}

version=$(cd "$work" && msiinfo export "$msi" Property | tr -d '\r' |
    awk -F'\t' '$1 == "ProductVersion" { print $2 }')
# A higher version by the third field, the last one Windows Installer compares.
IFS=. read -r major minor build <<<"$version"
newer=$major.${minor:-0}.$((${build:-0} + 1))
newest=$major.${minor:-0}.$((${build:-0} + 2))
for build in newer newest; do
    "$root/tools/windows/build-msi" "$stage" "${!build}" "$icon" "$work/$build.msi" \
        2>"$work/wixl.log" || { cat "$work/wixl.log" >&2; exit 1; }
done
language_is() {  # language_is FILE: the installed Language.ini is FILE of the stage
    cmp -s "$stage/$1" "$installed/Language.ini"
}

echo "msi_under_wine: installing $version"
msiexec /i "$msi" || fail "msiexec /i $msi failed"
(cd "$stage" && find . -type f) | while read -r file; do
    cmp -s "$stage/$file" "$installed/$file" || echo "not installed as built: $file"
done >"$work/missing"
[ ! -s "$work/missing" ] || fail "$(cat "$work/missing")"
[ "$(shortcuts | wc -l)" = 1 ] || fail "Start menu shortcuts: $(shortcuts)"
listed_as "$version" "after the install"
# The installed scanner runs; there is no device in this private network.
scan=$("$run" 'C:\Program Files\Norvik\norvik-scan.exe' --json --timeout 0.5 2>"$work/scan.err") ||
    fail "the installed norvik-scan.exe failed: $(cat "$work/scan.err")"
[[ $scan == *'"dropped_devices":0}'* ]] || fail "the installed norvik-scan.exe printed: $scan"
# Having heard nothing, it says why that may be, and gives the commands of the installer's own
# rules for the programs of its folder (Wine shows no card but loopback).
{
    echo "norvik-scan: no report arrived on any network card within 0.5 s. The likely cause is" \
        "Windows Firewall: it drops the devices' reports to UDP ports 4022 and 4023 unless a" \
        "rule lets them in, as on a network it calls Public, or after \"Cancel\" in its first" \
        "question about a program."
    echo "norvik-scan: Windows names no network card that can broadcast."
    echo "norvik-scan: to let the reports in on private and domain networks, run in a command" \
        "prompt started as administrator:"
    (cd "$work" && msiinfo export "$msi" CustomAction) | tr -d '\r' |
        awk -F'\t' '$1 ~ /^AllowThroughFirewall_/ { print "netsh " $4 }' |
        sed 's|\[INSTALLDIR\]|C:\\Program Files\\Norvik\\|' | sort
} >"$work/expected.err"
head -n 3 "$work/scan.err" >"$work/said.err"
tail -n +4 "$work/scan.err" | sort >>"$work/said.err"
diff "$work/expected.err" "$work/said.err" >&2 || fail "the scanner's words on silence differ"

language_is Language.ini || fail "installed without a language chosen, Language.ini is not the English one"

echo "msi_under_wine: upgrading to $newer, in German"
echo "a file of the old version" >"$installed/README.txt"
msiexec /i "$work/newer.msi" NORVIK_LANGUAGE=de || fail "msiexec /i of $newer failed"
listed_as "$newer" "after the upgrade"
cmp -s "$stage/README.txt" "$installed/README.txt" || fail "the upgrade kept an old file"
[ "$(shortcuts | wc -l)" = 1 ] || fail "Start menu shortcuts after the upgrade: $(shortcuts)"
language_is de/Language.ini || fail "with NORVIK_LANGUAGE=de, Language.ini is not the German one"

echo "msi_under_wine: upgrading to $newest, the language kept"
msiexec /i "$work/newest.msi" || fail "msiexec /i of $newest failed"
listed_as "$newest" "after the second upgrade"
language_is de/Language.ini || fail "an upgrade without NORVIK_LANGUAGE did not keep German"

echo "msi_under_wine: $version must not replace $newest"
if msiexec /i "$msi"; then
    fail "the older version installed over the newer one"
fi
listed_as "$newest" "after the refusal"

echo "msi_under_wine: uninstalling"
msiexec /x "$work/newest.msi" || fail "msiexec /x failed"
[ ! -e "$installed" ] || fail "left behind: $(find "$installed")"
[ -z "$(shortcuts)" ] || fail "shortcut left behind: $(shortcuts)"
listed_as "" "after the uninstall"

echo "msi_under_wine: a language there is no file for is refused"
if msiexec /i "$work/newest.msi" NORVIK_LANGUAGE=xx; then
    fail "NORVIK_LANGUAGE=xx installed"
fi
[ ! -e "$installed" ] || fail "NORVIK_LANGUAGE=xx left: $(find "$installed")"

[ "$failures" = 0 ] || exit 1
echo "msi_under_wine: installed, upgraded in German and kept it, refused the downgrade and an unknown language, uninstalled"
