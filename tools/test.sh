#!/usr/bin/env bash
# The test command: installs what is missing, builds the native (sanitizer)
# and Windows (x86_64, i686) builds, runs every test natively and the
# Windows tests under wine64.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

tools/deps.sh cmake g++ make libgtest-dev libgmock-dev googletest libbenchmark-dev \
  libsqlite3-dev mingw-w64 wine wine64 xvfb xauth || exit 1

build() {  # build PRESET: configure and build quietly, show the log on failure
  local log="$root/build/$1.log"
  mkdir -p "$root/build"
  if ! { cmake --preset "$1" && cmake --build --preset "$1"; } >"$log" 2>&1; then
    cat "$log"; echo "BUILD FAILED: $1"; exit 1
  fi
  echo "built $1"
}
build native-debug
build win64
build win32

status=0
echo "== native tests (AddressSanitizer, UndefinedBehaviorSanitizer)"
ctest --preset native-debug || status=1

echo "== Windows x86_64 tests under wine64"
export WINEPREFIX="$root/build/win64/wineprefix" WINEDEBUG=-all LANG=C.UTF-8 LC_ALL=C.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml="
wineserver -k 2>/dev/null
trap 'wineserver -k 2>/dev/null' EXIT
# A persistent server, and Wine's own background processes started once here
# with no pipe of ours: they would otherwise inherit a test's output pipe and
# keep CTest waiting for it to close.
wineserver -p
build/win64/wine-run wineboot.exe --init >/dev/null 2>&1 </dev/null
ctest --preset win64 || status=1

exit $status
