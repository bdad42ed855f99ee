#!/usr/bin/env bash
# The test command: installs what is missing, builds the native (g++ with
# sanitizers, and clang) and Windows (x86_64, i686) builds, runs every test
# natively with both compilers, the x86_64 tests under wine64, and the
# shipped i686 build's tests under 32-bit Wine. Each Windows build installs
# and removes its installer under its Wine: the shipped one (i686), and its
# 64-bit twin (x86_64, never shipped), which tests the same script where
# 32-bit code can't run.
#
# Some kernels run 64-bit code only. There the i686 build is still built and
# packaged and its zip checked, but its tests can't start: the command says
# so in one SKIPPED line and counts them as skipped, and its exit status is
# decided by everything else. The summary names the installer whose
# scenarios ran, with their counts.
#
# The Windows builds are configured to sign their packages, with a
# throwaway authority and code-signing certificate made here
# (build/signing-test), so their package tests check what a signed release
# holds; at the end they are configured back to signing nothing, and the
# unsigned zip and installer are checked once more.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
started=$(date +%s)

tools/deps.sh cmake g++ clang-14 ninja-build python3 libgtest-dev libgmock-dev googletest libbenchmark-dev \
  libsqlite3-dev mingw-w64 wine wine64 wine32:i386 xvfb xauth nsis unzip \
  osslsigncode openssl || exit 1

# As many build and test jobs as the machine has cores, unless told otherwise.
export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}
export CTEST_PARALLEL_LEVEL=${CTEST_PARALLEL_LEVEL:-$(nproc)}

build() {  # build PRESET [CMAKE-ARGS...]: configure and build quietly, show the log on failure
  local log="$root/build/$1.log"
  mkdir -p "$root/build"
  if ! { tools/configure.sh "$@" && cmake --build --preset "$1"; } >"$log" 2>&1; then
    cat "$log"; echo "BUILD FAILED: $1"; exit 1
  fi
  echo "built $1"
}
# Configuring a Windows build decides whether its Wine can run here, and
# leaves the reason in wine-cannot-run.txt when it can't.
build native-debug
build native-clang
# The certificate's password reaches the build as a release's would: in
# the environment, never on a command line.
VTR_SIGN_PASSWORD=$(openssl rand -hex 16)
export VTR_SIGN_PASSWORD
tests/package/make_test_ca.sh build/signing-test || exit 1
# Its timestamp server, up until the signed packages are tested.
: >build/signing-test/port
python3 tests/package/timestamp_server.py build/signing-test >build/signing-test/port &
tsa=$!
trap 'kill $tsa 2>/dev/null' EXIT
# It names its port once it listens: up to a minute on a busy machine.
for ((i = 0; i < 600; i++)); do [ -s build/signing-test/port ] && break; sleep 0.1; done
[ -s build/signing-test/port ] || { echo "the test timestamp server did not start"; exit 1; }
signed=(-DVTR_SIGN_PKCS12="$root/build/signing-test/publisher.p12" -DVTR_SIGN_CA="$root/build/signing-test/ca.pem"
        -DVTR_SIGN_TIMESTAMP_URL="http://127.0.0.1:$(cat build/signing-test/port)")
build win64 "${signed[@]}"
build win32 "${signed[@]}"

status=0
summary=()
declare -A suite_total
suite() {  # suite TITLE PRESET [CTEST-ARGS...]: runs a preset's tests, notes its counts
  local log="$root/build/$2-tests${3:+-selected}.log" line passed failed total
  ctest --preset "$2" "${@:3}" 2>&1 | tee "$log"
  [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -1)
  if [[ "$line" =~ ([0-9]+)\ tests?\ failed\ out\ of\ ([0-9]+) ]]; then
    failed=${BASH_REMATCH[1]} total=${BASH_REMATCH[2]}
    passed=$((total - failed))
  else
    passed=0 failed="?" total="" status=1
  fi
  suite_total[$2]=$total
  summary+=("$(printf '%-36s %4s passed, %s failed' "$1" "$passed" "$failed")")
}
# installer TITLE PRESET: the installer's scenarios as the package scenarios
# counted their checks, from the output CTest logged for the preset's run.
installer() {
  local line
  line=$(awk '/^[0-9]+\/[0-9]+ Test: package_scenarios$/ { f = 1 }
              f && /^[0-9]+ passed, [0-9]+ failed$/ { l = $0 }
              f && /^<end of output>$/ { exit }
              END { print l }' "$root/build/$2/Testing/Temporary/LastTest.log" 2>/dev/null)
  if [[ "$line" =~ ^([0-9]+)\ passed,\ ([0-9]+)\ failed$ ]]; then
    summary+=("$(printf '%-36s %4s passed, %s failed' "$1" "${BASH_REMATCH[1]}" "${BASH_REMATCH[2]}")")
  else
    summary+=("$(printf '%-36s did not run' "$1")")
    status=1
  fi
}

export WINEDEBUG=-all LANG=C.UTF-8 LC_ALL=C.UTF-8 WINEDLLOVERRIDES="mscoree,mshtml="
# wineserver is Debian's wrapper, which picks the 64-bit server whenever it
# is installed: it serves both loaders, and starts where 32-bit code can't.
trap 'kill $tsa 2>/dev/null; wineserver -k 2>/dev/null' EXIT
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
echo "== native tests built with clang 14"
suite "native (clang 14)" native-clang

echo "== Windows x86_64 tests under wine64"
if [ -f build/win64/wine-cannot-run.txt ]; then
  # Every machine this runs on runs 64-bit code: wine64 must start.
  echo "FAILED: wine64 cannot start here ($(head -1 build/win64/wine-cannot-run.txt))"
  status=1
else
  wine_suite "win64 under wine64" win64
  installer "installer (64-bit twin) under wine64" win64
fi

skipped=""
if [ ! -f build/win32/wine-cannot-run.txt ]; then
  echo "== Windows i686 tests (the shipped build) under 32-bit Wine"
  wine_suite "win32 (shipped i686) under Wine" win32
  installer "installer (shipped i686) under Wine" win32
else
  echo "== Windows i686 (the shipped build): its packages, built and checked without Wine"
  suite "win32 (shipped i686), no Wine" win32
  # The same test programs and package scenarios ran in the x86_64 build;
  # of its tests only package_build ran here too.
  not_run=${suite_total[win64]:-}
  [ -n "$not_run" ] && not_run=$((not_run - 1))
  skipped="SKIPPED: the shipped i686 build's ${not_run:-?} tests (unit, end-to-end and package scenarios): this machine cannot run 32-bit programs ($(head -1 build/win32/wine-cannot-run.txt))"
  summary+=("$(printf '%-36s %4s skipped' "win32 (shipped i686) under Wine" "${not_run:-?}")")
  echo "$skipped"
fi

# Without a certificate nothing is signed: the builds as a developer left
# them, and the unsigned packages checked (the twin's only rebuilt).
echo "== Windows packages without a certificate: nothing signed"
kill $tsa 2>/dev/null
build win64 -DVTR_SIGN_PKCS12= -DVTR_SIGN_TIMESTAMP_URL=
build win32 -DVTR_SIGN_PKCS12= -DVTR_SIGN_TIMESTAMP_URL=
suite "win32 packages, unsigned" win32 -R '^package_(build|zip)$'
cmake --build --preset win64 --target package >/dev/null || status=1

echo "== summary"
printf '%s\n' "${summary[@]}"
[ -z "$skipped" ] || echo "$skipped"
echo "== test command took $(($(date +%s) - started)) s, exit status $status"
exit $status
