#!/usr/bin/env bash
# make_test_ca.sh DIR: a throwaway certificate authority (DIR/ca.pem), a
# code-signing certificate it issued (DIR/publisher.p12) and a timestamping
# one with its server's settings (DIR/tsa.cnf, for timestamp_server.py),
# for the tests' signed packages: they stand in for a publisher's
# certificate, a timestamp service and the authority Windows trusts. The
# PKCS#12 file's password is taken from VTR_SIGN_PASSWORD, as the build
# reads it; the keys never leave DIR.
set -euo pipefail
dir=${1:?usage: make_test_ca.sh DIR}
[ -n "${VTR_SIGN_PASSWORD:-}" ] || { echo "make_test_ca.sh: set VTR_SIGN_PASSWORD" >&2; exit 2; }
rm -rf "$dir"
mkdir -p "$dir"
cd "$dir"
umask 077
quiet() { "$@" >openssl.log 2>&1 || { cat openssl.log >&2; exit 1; }; }
quiet openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 2 \
  -subj "/CN=VtrSysTray test authority" \
  -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign"
quiet openssl req -newkey rsa:2048 -nodes -keyout publisher.key -out publisher.csr -subj "/O=Vantorel/CN=Vantorel"
printf '%s\n' "basicConstraints=CA:FALSE" "keyUsage=critical,digitalSignature" "extendedKeyUsage=codeSigning" >publisher.ext
quiet openssl x509 -req -in publisher.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 \
  -extfile publisher.ext -out publisher.pem
quiet openssl pkcs12 -export -inkey publisher.key -in publisher.pem -certfile ca.pem -out publisher.p12 \
  -passout env:VTR_SIGN_PASSWORD
quiet openssl req -newkey rsa:2048 -nodes -keyout tsa.key -out tsa.csr -subj "/CN=VtrSysTray test timestamps"
printf '%s\n' "basicConstraints=CA:FALSE" "keyUsage=critical,digitalSignature" "extendedKeyUsage=critical,timeStamping" >tsa.ext
quiet openssl x509 -req -in tsa.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 -extfile tsa.ext -out tsa.pem
echo 01 >tsa.serial
cat >tsa.cnf <<END
[ tsa ]
default_tsa = test_tsa
[ test_tsa ]
serial = $PWD/tsa.serial
signer_cert = $PWD/tsa.pem
signer_key = $PWD/tsa.key
signer_digest = sha256
default_policy = 1.2.3.4.1
digests = sha256, sha384, sha512
accuracy = secs:1
ess_cert_id_alg = sha256
END
rm -f ca.key publisher.key publisher.csr tsa.csr openssl.log
