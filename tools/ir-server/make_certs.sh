#!/usr/bin/env bash
# Creates throw-away TLS material for the local IR server:
#   OUTDIR/ca.pem, ca.key                 test CA
#   OUTDIR/server.pem, server.key         localhost / 127.0.0.1 certificate signed by the test CA
#   OUTDIR/other-ca.pem, other-ca.key     an unrelated CA
#   OUTDIR/other-server.pem, other-server.key
#                                         localhost certificate signed by the unrelated CA, used to
#                                         check that a client trusting ca.pem refuses it
# RSA 2048 / SHA-256 with the extensions both OpenSSL and Windows crypto expect.
# Does nothing when the files exist, verify against their CA and stay valid for another day.
set -euo pipefail

if [ $# -ne 1 ]; then
    echo "usage: $0 OUTDIR" >&2
    exit 2
fi
OUT=$1
mkdir -p "$OUT"
OUT=$(cd "$OUT" && pwd)

# Serialise concurrent runs on the same directory.
if command -v flock >/dev/null 2>&1 && [ -z "${QUORVANE_CERTS_LOCKED:-}" ]; then
    export QUORVANE_CERTS_LOCKED=1
    exec flock "$OUT/.lock" "$0" "$OUT"
fi

still_good() {
    local f
    for f in ca.pem ca.key server.pem server.key other-ca.pem other-ca.key other-server.pem other-server.key; do
        [ -s "$OUT/$f" ] || return 1
    done
    openssl x509 -checkend 86400 -noout -in "$OUT/ca.pem" >/dev/null 2>&1 || return 1
    openssl x509 -checkend 86400 -noout -in "$OUT/other-ca.pem" >/dev/null 2>&1 || return 1
    openssl verify -CAfile "$OUT/ca.pem" "$OUT/server.pem" >/dev/null 2>&1 || return 1
    openssl verify -CAfile "$OUT/other-ca.pem" "$OUT/other-server.pem" >/dev/null 2>&1 || return 1
    openssl x509 -checkend 86400 -noout -in "$OUT/server.pem" >/dev/null 2>&1 || return 1
    openssl x509 -checkend 86400 -noout -in "$OUT/other-server.pem" >/dev/null 2>&1 || return 1
}

if still_good; then
    exit 0
fi

TMP=$(mktemp -d "$OUT/.tmp.XXXXXX")
trap 'rm -rf "$TMP"' EXIT

cat >"$TMP/ca.ext" <<'EOF'
basicConstraints = critical, CA:TRUE, pathlen:0
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
EOF

cat >"$TMP/leaf.ext" <<'EOF'
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
subjectAltName = DNS:localhost, IP:127.0.0.1
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid:always
EOF

serial() {
    # 64 random bits with the top bit cleared keeps the serial positive.
    printf '0x%s' "$(openssl rand -hex 8 | sed 's/^./0/')"
}

# make_ca NAME "COMMON NAME"
make_ca() {
    openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 -out "$TMP/$1.key" 2>/dev/null
    openssl req -new -key "$TMP/$1.key" -subj "/O=Quorvane IR tests/CN=$2" -out "$TMP/$1.csr"
    openssl x509 -req -in "$TMP/$1.csr" -signkey "$TMP/$1.key" -sha256 -days 3650 \
        -set_serial "$(serial)" -extfile "$TMP/ca.ext" -out "$TMP/$1.pem" 2>/dev/null
}

# make_leaf NAME CA_NAME
make_leaf() {
    openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 -out "$TMP/$1.key" 2>/dev/null
    openssl req -new -key "$TMP/$1.key" -subj "/O=Quorvane IR tests/CN=localhost" -out "$TMP/$1.csr"
    openssl x509 -req -in "$TMP/$1.csr" -CA "$TMP/$2.pem" -CAkey "$TMP/$2.key" -sha256 -days 825 \
        -set_serial "$(serial)" -extfile "$TMP/leaf.ext" -out "$TMP/$1.pem" 2>/dev/null
}

make_ca ca "Quorvane IR Test CA"
make_leaf server ca
make_ca other-ca "Quorvane IR Unrelated Test CA"
make_leaf other-server other-ca

openssl verify -CAfile "$TMP/ca.pem" "$TMP/server.pem" >/dev/null
openssl verify -CAfile "$TMP/other-ca.pem" "$TMP/other-server.pem" >/dev/null

chmod 600 "$TMP"/*.key
chmod 644 "$TMP"/*.pem
for f in ca other-ca server other-server; do
    mv -f "$TMP/$f.key" "$OUT/$f.key"
    mv -f "$TMP/$f.pem" "$OUT/$f.pem"
done
