#!/usr/bin/env bash
# The Windows package signed as a release is, with a certificate authority made for this run:
# ./dev.sh package-windows with a PKCS#12 certificate and a time-stamping server signs every
# program and the installer; each verifies against that authority, time stamp included; each
# with one byte changed fails. A key on a PKCS#11 token (SoftHSM's) signs as well. Runs inside
# norvik-netns: the time-stamping server is on its private loopback.
#
#   norvik-netns -- tests/windows/signing/signed_package_test.sh
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../../.." && pwd)
pki=$(mktemp -d)
server=
trap '[ -z "$server" ] || kill "$server"; rm -rf "$pki"' EXIT
failures=0
fail() {
    echo "signed_package_test: $*" >&2
    failures=$((failures + 1))
}

"$here/throwaway-pki.sh" "$pki"
python3 "$here/timestamp_server.py" "$pki" >"$pki/port" &
server=$!
for _ in $(seq 50); do [ -s "$pki/port" ] && break; sleep 0.1; done
[ -s "$pki/port" ] || { echo "signed_package_test: the time-stamping server did not start" >&2; exit 1; }

export NORVIK_SIGN_PKCS12=$pki/codesign.p12 NORVIK_SIGN_PASSWORD_FILE=$pki/password
NORVIK_SIGN_TIMESTAMP=http://127.0.0.1:$(head -n 1 "$pki/port")/
export NORVIK_SIGN_TIMESTAMP
"$root/dev.sh" package-windows >"$pki/packaged"
msi=$(grep '\.msi$' "$pki/packaged")
stage=$(dirname "$msi")/package
mapfile -t signed < <(find "$stage" -name '*.exe' | sort; echo "$msi")
[ "${#signed[@]}" -ge 4 ] || fail "fewer programs than expected: ${signed[*]}"

verify() {  # verify FILE LOG
    osslsigncode verify -CAfile "$pki/ca.pem" -TSA-CAfile "$pki/ca.pem" -in "$1" >"$2" 2>&1
}
for file in "${signed[@]}"; do
    name=$(basename "$file")
    if ! verify "$file" "$pki/verify.log"; then
        fail "$name does not verify: $(cat "$pki/verify.log")"
    elif ! grep -q 'Timestamp Server Signature verification: ok' "$pki/verify.log"; then
        fail "$name has no time stamp that verifies"
    fi
    # One byte in the middle changed, inside what the signature covers.
    cp "$file" "$pki/tampered"
    size=$(stat -c %s "$file")
    byte=$(od -An -tx1 -j $((size / 2)) -N1 "$file" | tr -d ' ')
    printf '%b' "\\x$(printf %02x $((0x$byte ^ 0xff)))" |
        dd of="$pki/tampered" bs=1 seek=$((size / 2)) conv=notrunc status=none
    if verify "$pki/tampered" "$pki/verify.log"; then
        fail "$name with one byte changed still verifies"
    elif ! grep -q 'MISMATCH' "$pki/verify.log"; then
        fail "$name with one byte changed fails, but not on its digest: $(cat "$pki/verify.log")"
    fi
done

# The same key on a PKCS#11 token, as a hardware key is used.
tokens=$pki/tokens
mkdir "$tokens"
printf 'directories.tokendir = %s\nobjectstore.backend = file\nlog.level = ERROR\n' "$tokens" \
    >"$pki/softhsm2.conf"
export SOFTHSM2_CONF=$pki/softhsm2.conf
openssl rand -hex 8 >"$pki/pin"
softhsm2-util --init-token --free --label norvik --pin "$(cat "$pki/pin")" \
    --so-pin "$(openssl rand -hex 8)" >/dev/null
softhsm2-util --import "$pki/codesign.pkcs8.pem" --token norvik --label codesign --id 01 \
    --pin "$(cat "$pki/pin")" >/dev/null
module=$(find /usr/lib -name libsofthsm2.so -print -quit)
osslsigncode remove-signature -in "${signed[0]}" -out "$pki/unsigned.exe" >/dev/null
cp "$pki/unsigned.exe" "$pki/token.exe"
(unset NORVIK_SIGN_PKCS12
 NORVIK_SIGN_PKCS11_MODULE=$module NORVIK_SIGN_PKCS11_KEY='pkcs11:token=norvik;object=codesign' \
 NORVIK_SIGN_CERTS=$pki/codesign.pem NORVIK_SIGN_PIN_FILE=$pki/pin \
     "$root/tools/windows/sign-files" "$pki/token.exe") || fail "signing with the token failed"
verify "$pki/token.exe" "$pki/verify.log" ||
    fail "signed with the token, $(basename "${signed[0]}") does not verify: $(cat "$pki/verify.log")"

[ "$failures" = 0 ] || exit 1
echo "signed_package_test: ${#signed[@]} files signed and time-stamped, each verified, each with a byte changed refused; the token signs too"
