# Sourced by check_zip.sh and package_scenarios.sh after they have set $ca:
# the authority a signed build's files must verify against, or empty for an
# unsigned build, whose files must carry no signature at all; and
# $timestamped: "yes" when the build's signatures carry a timestamp (from a
# server of that authority).

# signature FILE: what Windows would find on FILE: "none", or "by the
# authority" when its signature verifies against $ca (", timestamped" when
# a timestamp verifies too), or "unverified".
signature() {
  local out
  if out=$(osslsigncode verify ${ca:+-CAfile "$ca" -TSA-CAfile "$ca"} -in "$1" 2>&1); then
    if grep -q "^Timestamp Server Signature verification: ok" <<<"$out"; then
      echo "by the authority, timestamped"
    else
      echo "by the authority"
    fi
  elif grep -q "No signature found" <<<"$out"; then
    echo none
  else
    echo unverified
  fi
}
expected_signature() {
  if [ -z "$ca" ]; then echo none
  elif [ "$timestamped" == yes ]; then echo "by the authority, timestamped"
  else echo "by the authority"; fi
}

# as_tested FILE: the md5 of the program FILE without its signature. A signed
# program must be the tested one plus its signature: removing it gives back
# the tested bytes, PE checksum and all.
as_tested() {
  if [ -z "$ca" ]; then md5sum <"$1"; return; fi
  local dir
  dir=$(mktemp -d)  # osslsigncode writes only a new file
  osslsigncode remove-signature -in "$1" -out "$dir/plain.exe" >/dev/null 2>&1 || echo "remove-signature failed" >>"$dir/plain.exe"
  md5sum <"$dir/plain.exe"
  rm -rf "$dir"
}
