#!/usr/bin/env bash
# The test command: installs what is missing, builds the native (sanitizer)
# and Windows (x86_64, i686) builds, runs every test natively, the x86_64
# tests under wine64, and the shipped i686 build's tests under 32-bit Wine,
# among them its installer and zip, installed and removed under Wine.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
started=$(date +%s)

tools/deps.sh cmake g++ make libgtest-dev libgmock-dev googletest libbenchmark-dev \
  libsqlite3-dev mingw-w64 wine wine64 wine32:i386 xvfb xauth nsis unzip || exit 1

build() {  # build PRESET [TARGET]: configure and build quietly, show the log on failure
  local log="$root/build/$1${2:+-$2}.log"
  mkdir -p "$root/build"
  if ! { cmake --preset "$1" && cmake --build --preset "$1" ${2:+--target "$2"}; } >"$log" 2>&1; then
    cat "$log"; echo "BUILD FAILED: $1 ${2:-}"; exit 1
  fi
  echo "built $1 ${2:-}"
}
build native-debug
build win64
build win32

status=0
echo "== native tests (AddressSanitizer, UndefinedBehaviorSanitizer)"
ctest --preset native-debug || status=1

export WINEDEBUG=-all LANG=C.UTF-8 LC_ALL=C.UTF-8 WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k 2>/dev/null' EXIT
wine_tests() {  # wine_tests PRESET: the Windows tests of one build, in its own prefix
  export WINEPREFIX="$root/build/$1/wineprefix"
  wineserver -k 2>/dev/null
  # A persistent server, and Wine's own background processes started once
  # here with no pipe of ours: they would otherwise inherit a test's output
  # pipe and keep CTest waiting for it to close.
  "build/$1/wine-run" wineboot.exe --init >/dev/null 2>&1 </dev/null
  wineserver -p
  ctest --preset "$1" || status=1
  wineserver -k 2>/dev/null
}
echo "== Windows x86_64 tests under wine64"
wine_tests win64
echo "== Windows i686 tests (the shipped build) under 32-bit Wine"
wine_tests win32

echo "== test command took $(($(date +%s) - started)) s"
exit $status
