#!/usr/bin/env bash
# The test command: installs what is missing, builds the native (sanitizer)
# and Windows (x86_64, i686) builds, runs every test natively, the x86_64
# tests under wine64, and the shipped i686 build's tests under 32-bit Wine,
# among them its installer and zip, installed and removed under Wine.
#
# Some kernels run 64-bit code only. There the i686 build is still built and
# packaged and its zip checked, but its tests can't start: the command says
# so in one SKIPPED line and counts them as skipped, and its exit status is
# decided by everything else.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
started=$(date +%s)

tools/deps.sh cmake g++ ninja-build python3 libgtest-dev libgmock-dev googletest libbenchmark-dev \
  libsqlite3-dev mingw-w64 wine wine64 wine32:i386 xvfb xauth nsis unzip || exit 1

# As many build and test jobs as the machine has cores, unless told otherwise.
export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}
export CTEST_PARALLEL_LEVEL=${CTEST_PARALLEL_LEVEL:-$(nproc)}

build() {  # build PRESET: configure and build quietly, show the log on failure
  local log="$root/build/$1.log"
  mkdir -p "$root/build"
  if ! { tools/configure.sh "$1" && cmake --build --preset "$1"; } >"$log" 2>&1; then
    cat "$log"; echo "BUILD FAILED: $1"; exit 1
  fi
  echo "built $1"
}
# Configuring a Windows build decides whether its Wine can run here, and
# leaves the reason in wine-cannot-run.txt when it can't.
build native-debug
build win64
build win32

status=0
summary=()
declare -A suite_total
suite() {  # suite TITLE PRESET: runs a preset's tests, notes its counts
  local log="$root/build/$2-tests.log" line passed failed total
  ctest --preset "$2" 2>&1 | tee "$log"
  [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -1)
  if [[ "$line" =~ ([0-9]+)\ tests?\ failed\ out\ of\ ([0-9]+) ]]; then
    failed=${BASH_REMATCH[1]} total=${BASH_REMATCH[2]}
    passed=$((total - failed))
  else
    passed=0 failed="?" total="" status=1
  fi
  suite_total[$2]=$total
  summary+=("$(printf '%-34s %4s passed, %s failed' "$1" "$passed" "$failed")")
}

export WINEDEBUG=-all LANG=C.UTF-8 LC_ALL=C.UTF-8 WINEDLLOVERRIDES="mscoree,mshtml="
# wineserver is Debian's wrapper, which picks the 64-bit server whenever it
# is installed: it serves both loaders, and starts where 32-bit code can't.
trap 'wineserver -k 2>/dev/null' EXIT
wine_suite() {  # wine_suite TITLE PRESET: the Windows tests of one build, in its own prefix
  export WINEPREFIX="$root/build/$2/wineprefix"
  wineserver -k 2>/dev/null
  # A persistent server, and Wine's own background processes started once
  # here with no pipe of ours: they would otherwise inherit a test's output
  # pipe (or that of GoogleTest's listing of a program's tests) and keep
  # CTest waiting for it to close. The server comes first: `wineserver -p`
  # beside a running server only exits, and that server ends a few seconds
  # after its last program, taking those processes with it; every test
  # program after that would start them again.
  mkdir -p "$WINEPREFIX"
  wineserver -p
  "build/$2/wine-run" wineboot.exe --init >/dev/null 2>&1 </dev/null
  suite "$1" "$2"
  wineserver -k 2>/dev/null
}
echo "== native tests (AddressSanitizer, UndefinedBehaviorSanitizer)"
suite "native (ASan, UBSan)" native-debug

echo "== Windows x86_64 tests under wine64"
if [ -f build/win64/wine-cannot-run.txt ]; then
  # Every machine this runs on runs 64-bit code: wine64 must start.
  echo "FAILED: wine64 cannot start here ($(head -1 build/win64/wine-cannot-run.txt))"
  status=1
else
  wine_suite "win64 under wine64" win64
fi

skipped=""
if [ ! -f build/win32/wine-cannot-run.txt ]; then
  echo "== Windows i686 tests (the shipped build) under 32-bit Wine"
  wine_suite "win32 (shipped i686) under Wine" win32
else
  echo "== Windows i686 (the shipped build): its packages, built and checked without Wine"
  suite "win32 (shipped i686), no Wine" win32
  # The same test programs ran in the x86_64 build; the i686 build adds its
  # package scenarios.
  not_run=${suite_total[win64]:-}
  [ -n "$not_run" ] && not_run=$((not_run + 1))
  skipped="SKIPPED: the shipped i686 build's ${not_run:-?} tests (unit, end-to-end and package scenarios): this machine cannot run 32-bit programs ($(head -1 build/win32/wine-cannot-run.txt))"
  summary+=("$(printf '%-34s %4s skipped' "win32 (shipped i686) under Wine" "${not_run:-?}")")
  echo "$skipped"
fi

echo "== summary"
printf '%s\n' "${summary[@]}"
[ -z "$skipped" ] || echo "$skipped"
echo "== test command took $(($(date +%s) - started)) s, exit status $status"
exit $status
