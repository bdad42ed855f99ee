#!/usr/bin/env bash
# deps.sh PACKAGE...: installs the Debian packages that are missing, and is
# silent when none is. Runs apt-get update first, only when it must install.
# A PACKAGE:i386 turns on the i386 architecture first (32-bit Wine).
#
# Installing needs root: as root it installs; otherwise through sudo when
# sudo works without asking for a password (nobody may be there to type
# one); otherwise it stops and says what to install, and how.
set -euo pipefail
missing=()
for pkg in "$@"; do
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$pkg")
  fi
done
((${#missing[@]})) || exit 0

needs_i386=false
if [[ " ${missing[*]}" == *:i386* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  needs_i386=true
fi
if [ "$(id -u)" -eq 0 ]; then
  as_root=()
elif command -v sudo >/dev/null && sudo -n true 2>/dev/null; then
  as_root=(sudo -n)
else
  echo "These Debian packages are missing: ${missing[*]}" >&2
  echo "Installing them needs root. As root (or with sudo), run:" >&2
  if $needs_i386; then echo "  dpkg --add-architecture i386" >&2; fi
  echo "  apt-get update && apt-get install -y ${missing[*]}" >&2
  echo "then run this command again." >&2
  exit 1
fi

echo "Installing: ${missing[*]}"
if $needs_i386; then
  "${as_root[@]}" dpkg --add-architecture i386
fi
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
