#!/usr/bin/env bash
# The installer's tables, read with msiinfo: what Windows Installer will do with it, including
# the firewall commands, which cannot run under Wine.
#
#   tests/windows/msi_tables.sh NORVIK.msi VERSION
set -euo pipefail

msi=$(realpath "$1")
version=$2
programs_list=$(realpath "$(dirname "$0")/../../cli/programs.txt")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# msiinfo export writes the streams of some tables into the current folder.
cd "$work"

failures=0
fail() {
    echo "msi_tables: $*" >&2
    failures=$((failures + 1))
}
# Every table read below can be read: one msiinfo could not export would read as no rows,
# which some checks take for what they want.
for table in AppSearch Component CustomAction Directory File Icon InstallExecuteSequence \
    LaunchCondition Property RegLocator Registry Shortcut Upgrade; do
    msiinfo export "$msi" "$table" >/dev/null ||
        { echo "msi_tables: msiinfo cannot read the table $table" >&2; exit 1; }
done
# The rows of a table, without its three heading lines, columns separated by tabs.
rows() { msiinfo export "$msi" "$1" | tail -n +4 | tr -d '\r'; }
# The rows of TABLE whose first column is KEY.
row() { rows "$1" | awk -F'\t' -v key="$2" '$1 == key'; }
expect_row() {
    local table=$1 expected=$2 actual
    actual=$(row "$table" "${expected%%$'\t'*}")
    [ "$actual" = "$expected" ] || fail "$table: expected
  $expected
got
  ${actual:-nothing}"
}
sequence() { row InstallExecuteSequence "$1" | cut -f3; }

# Per machine, this version, found again by the next one.
upgrade_code='{6E0B6A52-3C1D-4F0E-9A57-2B7D4C1E8F30}'
expect_row Property $'ALLUSERS\t1'
expect_row Property $'ProductVersion\t'"$version"
expect_row Property $'UpgradeCode\t'"$upgrade_code"
expect_row Property $'ProductName\tNorvik'
expect_row Property $'Manufacturer\tThe Norvik developers'
expect_row Property $'ARPHELPLINK\thttps://github.com/norvik/norvik#readme'
expect_row Property $'ARPPRODUCTICON\tnorvik.ico'
[ -n "$(row Icon norvik.ico)" ] || fail "no icon norvik.ico for the installed-apps list"

# Older versions are removed (256: the minimum is included), newer ones only detected (2),
# which the launch condition then refuses.
[ "$(rows Upgrade | sort)" = "$(printf '%s\t%s\t%s\t\t%s\t\t%s\n' \
    "$upgrade_code" "$version" "" 2 NEWERFOUND \
    "$upgrade_code" 0.0.0 "$version" 256 OLDERFOUND | sort)" ] ||
    fail "Upgrade: $(rows Upgrade)"
[ -n "$(row LaunchCondition 'NOT NEWERFOUND')" ] || fail "a newer version is not refused"

# Program Files\Norvik (the 64-bit one), with every file of the zip.
expect_row Directory $'INSTALLDIR\tProgramFiles64Folder\tNorvik'
files=$(rows File | cut -f3 | sort | tr '\n' ' ')
# The programs: the window and those of cli/programs.txt.
mapfile -t cli_programs < <(sed -n 's/^\(norvik-.*\)$/\1.exe/p' "$programs_list")
[ "${#cli_programs[@]}" -gt 0 ] || fail "no program read from $programs_list"
for file in LICENSE.txt Language.ini README.txt "${cli_programs[@]}" norvik.exe; do
    [[ " $files" == *" $file "* ]] || fail "no $file among the files: $files"
done
programs=$(rows File | cut -f3 | sed -n 's/\.exe$//p' | sort)
[ "$(rows Component | awk -F'\t' '$4 != 256 && $4 != 260')" = "" ] ||
    fail "a component is not 64-bit: $(rows Component)"

# INSTALLDIR\Language.ini: the English one unless NORVIK_LANGUAGE names a translation, one
# component each, exactly one of them installed; any other value is refused. The choice is kept
# in the registry and found again (a raw 64-bit value, 18) unless the command line gives one,
# and passes to the elevated part as a secure property.
mapfile -t languages < <(cd "$(dirname "$programs_list")/../res" &&
    for file in */Language.ini; do dirname "$file"; done)
[ "${#languages[@]}" -ge 6 ] || fail "translations: ${languages[*]}"
refusal='NOT NORVIK_LANGUAGE OR NORVIK_LANGUAGE = "en"'
expect_row Component "Language_en"$'\t'"$(row Component Language_en | cut -f2-4)"$'\t'"$refusal"$'\tLanguage_en'
for language in "${languages[@]}"; do
    expect_row Component "Language_$language"$'\t'"$(row Component "Language_$language" | cut -f2-4)"$'\t'"NORVIK_LANGUAGE = \"$language\""$'\t'"Language_$language"
    expect_row File "Language_$language"$'\t'"Language_$language"$'\tLanguage.ini\t'"$(row File "Language_$language" | cut -f4-)"
    refusal+=" OR NORVIK_LANGUAGE = \"$language\""
done
[ -n "$(row LaunchCondition "$refusal")" ] || fail "no refusal of other languages: $(rows LaunchCondition)"
[ "$(row Property SecureCustomProperties | cut -f2)" = 'OLDERFOUND;NEWERFOUND;NORVIK_LANGUAGE' ] ||
    fail "secure properties: $(row Property SecureCustomProperties)"
expect_row AppSearch $'NORVIK_LANGUAGE_KEPT\tKeptLanguage'
expect_row RegLocator $'KeptLanguage\t2\tSoftware\\Norvik\tLanguage\t18'
[ "$(rows Registry | awk -F'\t' '$6 == "LanguageChoice"' | cut -f2-5)" = \
    $'2\tSoftware\\Norvik\tLanguage\t[NORVIK_LANGUAGE]' ] ||
    fail "the choice is not kept: $(rows Registry)"
expect_row CustomAction $'KeepLanguage\t2099\tNORVIK_LANGUAGE\t[NORVIK_LANGUAGE_KEPT]\t'
for table in InstallUISequence InstallExecuteSequence; do
    [ "$(row "$table" KeepLanguage | cut -f2-)" = $'NOT NORVIK_LANGUAGE AND NORVIK_LANGUAGE_KEPT\t51' ] ||
        fail "$table: KeepLanguage $(row "$table" KeepLanguage)"
done

# The Start menu entry starts the window, with its icon.
shortcut=$(row Shortcut NorvikShortcut | cut -f2,3,5,9,12)
[ "$shortcut" = $'ProgramMenuFolder\tNorvik\t[INSTALLDIR]norvik.exe\tnorvik.ico\tINSTALLDIR' ] ||
    fail "shortcut: $shortcut"

# The firewall: 3186 is a program named by a property (50) whose failure is ignored (64),
# deferred (1024) and not impersonated (2048), so that it runs elevated. One rule for each
# program, on private and domain networks only; the commands are fixed text.
expect_row CustomAction $'FindNetsh\t2099\tNETSH\t[System64Folder]netsh.exe\t'
netsh=$'\t3186\tNETSH\tadvfirewall firewall'
expect_row CustomAction "DeleteFirewallRules$netsh delete rule name=\"Norvik\""$'\t'
rule='add rule name="Norvik" dir=in action=allow protocol=UDP localport=4022,4023,3702'
allow_actions=()
for program in $programs; do
    allow_actions+=("AllowThroughFirewall_${program//-/_}")
    expect_row CustomAction \
        "${allow_actions[-1]}$netsh $rule program=\"[INSTALLDIR]$program.exe\" profile=private,domain"$'\t'
done
# Nothing else runs.
[ "$(rows CustomAction | wc -l)" = $((3 + ${#allow_actions[@]})) ] ||
    fail "custom actions: $(rows CustomAction)"

# Deferred actions run only between InstallInitialize and InstallFinalize; the rules are
# deleted on every run (also when an upgrade removes the old version) and added again unless
# the product is being removed.
initialize=$(sequence InstallInitialize)
finalize=$(sequence InstallFinalize)
[ "$(sequence FindNetsh)" -lt "$initialize" ] || fail "netsh is looked for too late"
for action in DeleteFirewallRules "${allow_actions[@]}"; do
    s=$(sequence "$action")
    [ -n "$s" ] && [ "$s" -gt "$initialize" ] && [ "$s" -lt "$finalize" ] ||
        fail "$action at ${s:-no place}, not between $initialize and $finalize"
    [ -z "$s" ] || [ "$action" = DeleteFirewallRules ] ||
        [ "$s" -gt "$(sequence DeleteFirewallRules)" ] ||
        fail "$action comes before the rules are deleted"
done
[ "$(row InstallExecuteSequence DeleteFirewallRules | cut -f2)" = "" ] ||
    fail "the rules are not always deleted"
for action in "${allow_actions[@]}"; do
    [ "$(row InstallExecuteSequence "$action" | cut -f2)" = 'NOT REMOVE~="ALL"' ] ||
        fail "$action: condition $(row InstallExecuteSequence "$action" | cut -f2)"
done
# The old version goes before any file is installed.
remove=$(sequence RemoveExistingProducts)
[ -n "$remove" ] && [ "$remove" -gt "$(sequence InstallValidate)" ] &&
    [ "$remove" -lt "$(sequence InstallFiles)" ] ||
    fail "RemoveExistingProducts at ${remove:-no place}"

[ "$failures" = 0 ] || exit 1
echo "msi_tables: $msi is as intended"
