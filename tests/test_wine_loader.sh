#!/usr/bin/env bash
# The configure-time check of whether Wine's loader can start here
# (cmake/WineLoader.cmake), both ways, with stand-in loaders: one that works,
# one that a shell reports as not executable (exit status 126), and a binary
# the kernel refuses at exec, as a 64-bit-only kernel refuses the 32-bit
# loader.
set -uo pipefail
check_script="$(dirname "$0")/../cmake/WineLoader.cmake"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
expect() {  # expect LOADER EXPECTED-PATTERN
  local said
  said=$(cmake -DLOADER="$1" -P "$check_script" 2>&1)
  if [[ "$said" =~ $2 ]]; then echo "ok - ${1##*/}: $said"
  else echo "not ok - ${1##*/}: expected /$2/, got [$said]"; failed=1; fi
}

printf '#!/bin/sh\necho wine-8.0\n' >"$work/working-loader"
printf '#!/bin/sh\necho "$0: cannot execute binary file: Exec format error" >&2\nexit 126\n' >"$work/refused-loader"
# An ELF header of a class this kernel doesn't run: execve answers ENOEXEC.
printf '\177ELF\003\001\001\000\000\000\000\000\000\000\000\000' >"$work/foreign-binary"
chmod +x "$work"/*

expect "$work/working-loader" '^runs$'
expect "$work/refused-loader" '^cannot run: .*/refused-loader: Exec format error$'
expect "$work/foreign-binary" '^cannot run: .*/foreign-binary: Exec format error$'
expect "$work/no-such-loader" '^cannot run: .*/no-such-loader: (not found|No such file or directory)$'
exit $failed
