#!/usr/bin/env bash
# configure.sh PRESET [CMAKE-ARGS...]: configures a preset's build folder
# (with CMAKE-ARGS, e.g. -DVAR=VALUE, after the preset's own). A folder made
# earlier with another generator than the presets' is configured afresh
# (its cache dropped), which CMake otherwise refuses.
set -euo pipefail
cd "$(dirname "$0")/.."
cache="build/$1/CMakeCache.txt"
if [ -f "$cache" ] && ! grep -qx 'CMAKE_GENERATOR:INTERNAL=Ninja' "$cache"; then
  exec cmake --preset "$1" --fresh "${@:2}"
fi
exec cmake --preset "$1" "${@:2}"
