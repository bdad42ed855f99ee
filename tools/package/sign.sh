#!/usr/bin/env bash
# sign.sh --pkcs12 FILE.p12 [--timestamp URL] [--name TEXT] EXE: signs EXE in
# place (Authenticode, SHA-256) with osslsigncode. The certificate's password
# comes from the environment variable VTR_SIGN_PASSWORD and reaches
# osslsigncode through a file descriptor: never on a command line (other
# users see those) and never in a file. With --timestamp an RFC 3161
# server countersigns, so the signature stays valid after the certificate
# expires. --name is the program name Windows shows in its consent prompt.
set -euo pipefail
pkcs12="" timestamp="" name=""
while (($# > 1)); do
  case "$1" in
    --pkcs12) pkcs12=$2; shift 2 ;;
    --timestamp) timestamp=$2; shift 2 ;;
    --name) name=$2; shift 2 ;;
    *) echo "sign.sh: unknown argument $1" >&2; exit 2 ;;
  esac
done
exe=${1:-}
[ -n "$pkcs12" ] && [ -f "$exe" ] || { echo "usage: sign.sh --pkcs12 FILE.p12 [--timestamp URL] [--name TEXT] EXE" >&2; exit 2; }
[ -f "$pkcs12" ] || { echo "sign.sh: no certificate file $pkcs12" >&2; exit 1; }
[ -n "${VTR_SIGN_PASSWORD+set}" ] || { echo "sign.sh: VTR_SIGN_PASSWORD is not set (the password of $pkcs12)" >&2; exit 1; }
options=(-pkcs12 "$pkcs12" -readpass /dev/fd/3 -h sha256)
[ -z "$name" ] || options+=(-n "$name")
[ -z "$timestamp" ] || options+=(-ts "$timestamp")
# osslsigncode writes a new file; it replaces EXE only once signed.
out="$exe.signing"
rm -f "$out"
if ! osslsigncode sign "${options[@]}" -in "$exe" -out "$out" 3<<<"$VTR_SIGN_PASSWORD" >"$out.log" 2>&1; then
  cat "$out.log" >&2; rm -f "$out" "$out.log"
  echo "sign.sh: signing $exe failed" >&2; exit 1
fi
rm -f "$out.log"
mv -f "$out" "$exe"
