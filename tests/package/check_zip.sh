#!/usr/bin/env bash
# The portable zip of the i686 build: what it holds, and that its program is
# the one the tests ran. Needs no Wine, so it runs on every machine.
#
#   check_zip.sh --version X.Y.Z --packages DIR --program VtrSysTray.exe
set -uo pipefail
version="" packages="" program=""
while (($#)); do
  case "$1" in
    --version) version=$2; shift 2 ;;
    --packages) packages=$2; shift 2 ;;
    --program) program=$2; shift 2 ;;
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

folder="VtrSysTray-$version-win32"
check "the zip holds the program, the read-me and the licence" \
  "$folder/VtrSysTray-License.txt
$folder/VtrSysTray-ReadMe.txt
$folder/VtrSysTray.exe" \
  "$(unzip -Z1 "$zip" | grep -v '/$' | sort)"
check "the zip's program is the tested one" "$(md5sum <"$program")" \
  "$(unzip -p "$zip" "$folder/VtrSysTray.exe" | md5sum)"
check "the read-me names this version" "1" "$(unzip -p "$zip" "$folder/VtrSysTray-ReadMe.txt" | grep -c "^VtrSysTray $version ")"
finish
