#!/usr/bin/env bash
# Fails unless each Windows program given imports only DLLs that every Windows PC has, so that
# the program runs as the one file it is.
set -euo pipefail
objdump=$1
shift
allowed='^(KERNEL32|USER32|GDI32|COMCTL32|COMDLG32|SHELL32|ADVAPI32|OLE32|WS2_32|IPHLPAPI|msvcrt)\.dll$'
shopt -s nocasematch  # Windows spells DLL names in either case
status=0
for program in "$@"; do
    # A failing objdump stops the check here (set -e); a program that shows no import at all
    # is no Windows program this check can vouch for.
    headers=$("$objdump" -p "$program")
    dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
    if [ -z "$dlls" ]; then
        echo "$program imports no DLL that objdump shows" >&2
        status=1
    fi
    while read -r dll; do
        if [ -n "$dll" ] && ! [[ $dll =~ $allowed ]]; then
            echo "$program needs $dll" >&2
            status=1
        fi
    done <<<"$dlls"
done
exit $status
