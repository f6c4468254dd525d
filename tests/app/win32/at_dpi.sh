#!/usr/bin/env bash
# Runs one Windows program with the Wine prefix of tools/wine/norvik-wine set to DPI (the
# LogPixels setting, as the display settings' scale sets it on Windows), and sets it back to 96
# afterwards. The program learns the DPI it should see from NORVIK_TEST_DPI.
#
#   tests/app/win32/at_dpi.sh DPI PROGRAM [ARG...]
set -euo pipefail
dpi=$1
shift
run=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)/tools/wine/run-windows-program
set_dpi() {
    "$run" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null
}
set_dpi "$dpi"
trap 'set_dpi 96' EXIT
NORVIK_TEST_DPI=$dpi "$run" "$@"
