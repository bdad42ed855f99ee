# Sourced by check_zip.sh and package_scenarios.sh after they have set $ca:
# the authority a signed build's files must verify against, or empty for an
# unsigned build, whose files must carry no signature at all.

# signature FILE: what Windows would find on FILE: "none", or "by the
# authority" when its signature verifies against $ca, or "unverified".
signature() {
  local out
  if out=$(osslsigncode verify ${ca:+-CAfile "$ca"} -in "$1" 2>&1); then
    echo "by the authority"
  elif grep -q "No signature found" <<<"$out"; then
    echo none
  else
    echo unverified
  fi
}
expected_signature() { if [ -n "$ca" ]; then echo "by the authority"; else echo none; fi; }

# as_tested FILE: the md5 of the program FILE without its signature. A signed
# program must be the tested one plus its signature: removing it gives back
# the tested bytes, PE checksum and all.
as_tested() {
  if [ -z "$ca" ]; then md5sum <"$1"; return; fi
  local plain
  plain=$(mktemp)
  osslsigncode remove-signature -in "$1" -out "$plain" >/dev/null 2>&1 || echo "remove-signature failed" >>"$plain"
  md5sum <"$plain"
  rm -f "$plain"
}
