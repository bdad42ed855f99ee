#!/usr/bin/env bash
# The registry benchmarks, natively (the emulated store, release build) and
# under wine64 (Wine's registry, the x86_64 build), one after the other, so
# that both see the same machine at the same time. Prints one table: each
# call's median natively and under Wine, and how many times faster the
# native one is.
#
#   tools/bench.sh                          # every registry benchmark
#   tools/bench.sh OpenQueryClose SetValue  # those whose names hold one of the texts
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
filters=("$@")
[ ${#filters[@]} -gt 0 ] || filters=("")
programs=(bench_registry bench_clsEasyRegistry)
tools/deps.sh cmake g++ ninja-build libsqlite3-dev libgtest-dev libgmock-dev libbenchmark-dev mingw-w64 wine64
export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}

build() {  # build PRESET: configure and build the benchmarks quietly
  local log="$root/build/$1-bench.log"
  mkdir -p "$root/build"
  if ! { tools/configure.sh "$1" && cmake --build --preset "$1" --target "${programs[@]}"; } >"$log" 2>&1; then
    cat "$log"
    echo "BUILD FAILED: $1" >&2
    exit 1
  fi
}
build native-release
build win64

export WINEPREFIX="$root/build/win64/wineprefix" WINEDEBUG=-all LANG=C.UTF-8 LC_ALL=C.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml="
# A persistent server, started before wineboot: beside a running server
# `wineserver -p` only exits, and that one ends soon after its last program.
wineserver -k 2>/dev/null || true
mkdir -p "$WINEPREFIX"
wineserver -p
build/win64/wine-run wineboot.exe --init >/dev/null 2>&1 </dev/null
results=$(mktemp)
trap 'rm -f "$results"; wineserver -k 2>/dev/null || true' EXIT

# Each line of $results: side, benchmark, median, unit (wall clock on both sides).
for program in "${programs[@]}"; do
  for filter in "${filters[@]}"; do
    # Google Benchmark: "BM_X/10000/iterations:1/repeats:5_median  39.8 ms  39.7 ms  5".
    "build/native-release/bench/$program" ${filter:+--benchmark_filter="$filter"} \
      --benchmark_report_aggregates_only=true 2>/dev/null |
      awk '$1 ~ /_median$/ { print "native", $1, $2, $3 }' >>"$results"
    # The Windows build's subset: "BM_X/10000  median  151.2 ms  (5 repetitions x 1 iterations)".
    build/win64/wine-run "build/win64/bench/$program.exe" ${filter:+--benchmark_filter="$filter"} 2>/dev/null |
      tr -d '\r' | awk '$2 == "median" { print "wine", $1, $3, $4 }' >>"$results"
  done
done

awk '
  function micro(value, unit) {
    return value * (unit == "ns" ? 0.001 : unit == "ms" ? 1000 : unit == "s" ? 1000000 : 1)
  }
  function shown(us) {
    if (us == "") return "-"
    return us >= 1000 ? sprintf("%.1f ms", us / 1000) : sprintf("%.1f µs", us)
  }
  {
    name = $2
    sub(/_median$/, "", name)
    gsub(/\/(iterations|repeats):[0-9]+/, "", name)
    sub(/^BM_/, "", name)
    if (!(name in seen)) { seen[name] = 1; order[++count] = name }
    time[$1, name] = micro($3, $4)
  }
  END {
    print "| call | native | Wine | Wine / native |"
    print "|---|---|---|---|"
    for (i = 1; i <= count; ++i) {
      name = order[i]
      native = time["native", name]
      wine = time["wine", name]
      ratio = native != "" && wine != "" && native > 0 ? sprintf("%.1f×", wine / native) : "-"
      printf "| %s | %s | %s | %s |\n", name, shown(native), shown(wine), ratio
    }
  }
' "$results"
