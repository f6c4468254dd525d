#!/usr/bin/env bash
# A certificate authority made for one test run, and what it issues: a code-signing certificate
# (as a PKCS#12 file with its password in a file, and as key and certificate in PEM for a
# PKCS#11 token) and a time-stamping authority's certificate.
#
#   tests/windows/signing/throwaway-pki.sh DIR
set -euo pipefail
dir=$1
cd "$dir"
umask 077
issue() {  # issue NAME SUBJECT EXTENSIONS
    openssl req -new -newkey rsa:3072 -nodes -keyout "$1.key" -subj "$2" -out "$1.csr" 2>/dev/null
    printf '%s\n' "$3" >"$1.ext"
    openssl x509 -req -in "$1.csr" -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 \
        -sha256 -extfile "$1.ext" -out "$1.pem" 2>/dev/null
}
openssl req -x509 -newkey rsa:3072 -nodes -keyout ca.key -subj "/CN=Norvik test CA" -days 2 \
    -sha256 -addext "basicConstraints=critical,CA:TRUE" \
    -addext "keyUsage=critical,keyCertSign,cRLSign" -out ca.pem 2>/dev/null
issue codesign "/CN=Norvik test signer" \
    "basicConstraints=CA:FALSE
keyUsage=critical,digitalSignature
extendedKeyUsage=codeSigning"
issue tsa "/CN=Norvik test time-stamping authority" \
    "basicConstraints=CA:FALSE
keyUsage=critical,digitalSignature
extendedKeyUsage=critical,timeStamping"
openssl rand -hex 16 >password
openssl pkcs12 -export -inkey codesign.key -in codesign.pem -certfile ca.pem \
    -passout file:password -out codesign.p12
openssl pkcs8 -topk8 -nocrypt -in codesign.key -out codesign.pkcs8.pem
cat >tsa.cnf <<CONFIG
[tsa]
default_tsa = norvik_test_tsa
[norvik_test_tsa]
serial = $dir/tsa.serial
signer_cert = $dir/tsa.pem
certs = $dir/ca.pem
signer_key = $dir/tsa.key
signer_digest = sha256
default_policy = 1.2.3.4.1
digests = sha256, sha384, sha512
accuracy = secs:1
ess_cert_id_chain = no
ess_cert_id_alg = sha256
CONFIG
echo 01 >tsa.serial
