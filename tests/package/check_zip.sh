#!/usr/bin/env bash
# The portable zip of the i686 build: what it holds, and that its program is
# the one the tests ran; and, for a signed build, the installer's signature
# too. Needs no Wine, so it runs on every machine.
#
#   check_zip.sh --version X.Y.Z --packages DIR --program VtrSysTray.exe [--ca CA.pem [--timestamped]]
set -uo pipefail
version="" packages="" program="" ca="" timestamped=no
while (($#)); do
  case "$1" in
    --version) version=$2; shift 2 ;;
    --packages) packages=$2; shift 2 ;;
    --program) program=$2; shift 2 ;;
    --ca) ca=$2; shift 2 ;;
    --timestamped) timestamped=yes; shift ;;
    *) echo "unknown argument $1" >&2; exit 2 ;;
  esac
done
for v in version packages program; do
  [ -n "${!v}" ] || { echo "missing --$v" >&2; exit 2; }
done
zip="$packages/VtrSysTray-$version-win32.zip"
[ -f "$zip" ] || { echo "no $zip: build the target package first" >&2; exit 2; }
started=$(date +%s)
. "$(dirname "${BASH_SOURCE[0]}")/../e2e/common.sh"
. "$(dirname "${BASH_SOURCE[0]}")/signature.sh"

folder="VtrSysTray-$version-win32"
check "the zip holds the program, the read-me and the licence" \
  "$folder/VtrSysTray-License.txt
$folder/VtrSysTray-ReadMe.txt
$folder/VtrSysTray.exe" \
  "$(unzip -Z1 "$zip" | grep -v '/$' | sort)"
zipped=$(mktemp)
unzip -p "$zip" "$folder/VtrSysTray.exe" >"$zipped"
check "the zip's program: its signature" "$(expected_signature)" "$(signature "$zipped")"
check "the zip's program is the tested one${ca:+ plus its signature}" "$(md5sum <"$program")" \
  "$(as_tested "$zipped")"
rm -f "$zipped"
setup="$packages/VtrSysTray-$version-win32-setup.exe"
check "the installer's signature" "$(expected_signature)" "$(signature "$setup")"
check "the read-me names this version" "1" "$(unzip -p "$zip" "$folder/VtrSysTray-ReadMe.txt" | grep -c "^VtrSysTray $version ")"
finish
