#!/usr/bin/env bash
# The start command: installs what is missing, builds the native program and
# starts the tray utility's terminal front end on the embedded registry store.
set -uo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh cmake g++ make libsqlite3-dev libgtest-dev libgmock-dev libbenchmark-dev || exit 1
log=build/native-release.log
mkdir -p build
if ! { cmake --preset native-release && cmake --build --preset native-release; } >"$log" 2>&1; then
  cat "$log"; echo "BUILD FAILED"; exit 1
fi
bin=build/native-release
if [ -x "$bin/tray/vtrsystray" ]; then
  exec "$bin/tray/vtrsystray"
elif [ -x "$bin/tools/vtrreg" ]; then
  echo "The tray utility is not built yet; starting the registry console vtrreg instead."
  exec "$bin/tools/vtrreg"
else
  echo "The build has no program to start yet (only libraries and tests)."
fi
