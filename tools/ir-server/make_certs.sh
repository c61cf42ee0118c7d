#!/usr/bin/env bash
# Creates throw-away TLS material for the local IR server:
#   OUTDIR/ca.pem, ca.key                 test CA
#   OUTDIR/server.pem, server.key         localhost / 127.0.0.1 certificate signed by the test CA
#   OUTDIR/other-ca.pem, other-ca.key     an unrelated CA
#   OUTDIR/other-server.pem, other-server.key
#                                         localhost certificate signed by the unrelated CA, used to
#                                         check that a client trusting ca.pem refuses it
#   OUTDIR/wrong-host.pem, wrong-host.key certificate signed by the test CA for another host
#                                         name only (wrong-host.invalid)
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
    for f in ca.pem ca.key server.pem server.key other-ca.pem other-ca.key other-server.pem \
             other-server.key wrong-host.pem wrong-host.key; do
        [ -s "$OUT/$f" ] || return 1
    done
    openssl x509 -checkend 86400 -noout -in "$OUT/ca.pem" >/dev/null 2>&1 || return 1
    openssl x509 -checkend 86400 -noout -in "$OUT/other-ca.pem" >/dev/null 2>&1 || return 1
    openssl verify -CAfile "$OUT/ca.pem" "$OUT/server.pem" >/dev/null 2>&1 || return 1
    openssl verify -CAfile "$OUT/other-ca.pem" "$OUT/other-server.pem" >/dev/null 2>&1 || return 1
    openssl verify -CAfile "$OUT/ca.pem" "$OUT/wrong-host.pem" >/dev/null 2>&1 || return 1
    openssl x509 -checkend 86400 -noout -in "$OUT/server.pem" >/dev/null 2>&1 || return 1
    openssl x509 -checkend 86400 -noout -in "$OUT/other-server.pem" >/dev/null 2>&1 || return 1
    openssl x509 -checkend 86400 -noout -in "$OUT/wrong-host.pem" >/dev/null 2>&1 || return 1
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

# leaf_ext SUBJECT_ALT_NAMES
leaf_ext() {
    cat <<EOF
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
subjectAltName = $1
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid:always
EOF
}
leaf_ext "DNS:localhost, IP:127.0.0.1" >"$TMP/leaf.ext"
leaf_ext "DNS:wrong-host.invalid" >"$TMP/wrong-host.ext"

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

# make_leaf NAME CA_NAME [HOST_NAME]: HOST_NAME (default localhost) is the common name;
# with it the extensions come from NAME.ext instead of leaf.ext.
make_leaf() {
    local host=${3:-localhost} ext="$TMP/leaf.ext"
    [ $# -lt 3 ] || ext="$TMP/$1.ext"
    openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 -out "$TMP/$1.key" 2>/dev/null
    openssl req -new -key "$TMP/$1.key" -subj "/O=Quorvane IR tests/CN=$host" -out "$TMP/$1.csr"
    openssl x509 -req -in "$TMP/$1.csr" -CA "$TMP/$2.pem" -CAkey "$TMP/$2.key" -sha256 -days 825 \
        -set_serial "$(serial)" -extfile "$ext" -out "$TMP/$1.pem" 2>/dev/null
}

make_ca ca "Quorvane IR Test CA"
make_leaf server ca
make_ca other-ca "Quorvane IR Unrelated Test CA"
make_leaf other-server other-ca
make_leaf wrong-host ca wrong-host.invalid

openssl verify -CAfile "$TMP/ca.pem" "$TMP/server.pem" >/dev/null
openssl verify -CAfile "$TMP/other-ca.pem" "$TMP/other-server.pem" >/dev/null
openssl verify -CAfile "$TMP/ca.pem" "$TMP/wrong-host.pem" >/dev/null

chmod 600 "$TMP"/*.key
chmod 644 "$TMP"/*.pem
for f in ca other-ca server other-server wrong-host; do
    mv -f "$TMP/$f.key" "$OUT/$f.key"
    mv -f "$TMP/$f.pem" "$OUT/$f.pem"
done
