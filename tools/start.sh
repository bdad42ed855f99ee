#!/usr/bin/env bash
# The start command: installs what is missing, builds the two programs it
# needs (the terminal front end and vtrreg, no tests or benchmarks) and starts
# the tray utility's terminal front end on the embedded registry store.
set -uo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh cmake g++ ninja-build libsqlite3-dev || exit 1
export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}
log=build/app.log
mkdir -p build
if ! { tools/configure.sh app && cmake --build --preset app; } >"$log" 2>&1; then
  cat "$log"; echo "BUILD FAILED"; exit 1
fi
bin=build/app

# A first run gets a Vantorel to find: when the store has no Vantorel key,
# the sample settings (tools/sample.reg) go in, and a stand-in Vtr.exe goes
# on the drive view's C: where the sample's App Paths entry points.
seed_first_run() {
  local data="${XDG_DATA_HOME:-}"
  [[ "$data" == /* ]] || data="$HOME/.local/share"
  local store="${VTR_REGISTRY:-$data/vantorel/registry.db}"
  local drive_c="${VTR_DRIVE_C:-$(dirname "$store")/drive_c}"
  "$bin/tools/vtrreg" 'cd \HKEY_LOCAL_MACHINE\Software\Vantorel' >/dev/null 2>&1 && return 0
  echo "First run: importing tools/sample.reg into $store"
  "$bin/tools/vtrreg" import tools/sample.reg || return 1
  local vtr="$drive_c/Program Files/Vantorel/Vtr.exe"
  if [ ! -e "$vtr" ]; then
    mkdir -p "$(dirname "$vtr")" && cp tools/demo-vtr.sh "$vtr" && chmod +x "$vtr"
    echo "A stand-in Vantorel is at $vtr (it notes each start in Vtr.log beside it)."
  fi
}

seed_first_run || exit 1
exec "$bin/tray/vtrsystray"
