# Shared by the end-to-end scripts under Wine (scenarios.sh and
# ../package/package_scenarios.sh); sourced after they have set wine,
# driver, view and started.

# Every wait, the driver's and the scripts' own, polls for its condition up to
# this deadline: long enough for a loaded machine, and spent only by a wait
# that fails.
export VTR_E2E_TIMEOUT_MS=${VTR_E2E_TIMEOUT_MS:-60000}

passed=0 failed=0
ok() { passed=$((passed + 1)); echo "ok - $*"; }
bad() { failed=$((failed + 1)); echo "not ok - $*"; }
check() {  # check DESCRIPTION EXPECTED ACTUAL
  if [ "$2" == "$3" ]; then ok "$1"; else bad "$1: expected [$2], got [$3]"; fi
}
finish() {  # the summary line, and the script's status
  echo "# $(($(date +%s) - started)) s"
  echo "$passed passed, $failed failed"
  ((failed == 0))
}

W() { "$wine" "$@"; }
# The driver's output without the carriage returns of a Windows console.
drv() { "$wine" "$driver" "$@" | tr -d '\r'; }

# start_prefix: makes $WINEPREFIX when it is new, and keeps its wineserver up
# until the script ends.
start_prefix() {
  wineserver -k 2>/dev/null
  trap 'wineserver -k 2>/dev/null' EXIT
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "# making the Wine prefix"
    W wineboot.exe --init >/dev/null 2>&1
    wineserver -w
  fi
  wineserver -p
  # Without a window manager's say in it, a closing window does not stall;
  # and a crash ends the program instead of waiting in the debugger's dialog.
  W reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  W reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
}

# reg_value KEY NAME [VIEW]: the value's data in the program's registry view
# (or in VIEW), or "<absent>".
reg_value() {
  local out
  out=$(W reg query "$1" /v "$2" "${3:-$view}" 2>/dev/null | tr -d '\r' | awk -v n="$2" '$1 == n { sub(/^[ \t]*[^ \t]+[ \t]+[^ \t]+[ \t]+/, ""); print; f=1 } END { if (!f) print "<absent>" }')
  echo "$out"
}
setting() { reg_value 'HKLM\Software\Vantorel\Options' "$1"; }

# wait_until COMMAND...: runs COMMAND until it succeeds; fails once the
# deadline has passed. (`wait_until not COMMAND...` waits for it to fail.)
not() { ! "$@"; }
wait_until() {
  local end=$((SECONDS + VTR_E2E_TIMEOUT_MS / 1000))
  until "$@"; do
    ((SECONDS < end)) || return 1
    sleep 0.05
  done
}

# wait_lines FILE N: waits until FILE has N lines, prints them.
has_lines() { [ "$(wc -l <"$1")" -ge "$2" ]; }
wait_lines() {
  wait_until has_lines "$1" "$2"
  tr -d '\r' <"$1"
}

# runs_in_prefix PATTERN: whether a process of this Wine prefix has a command
# line that matches PATTERN (pgrep -f); other prefixes' do not count.
runs_in_prefix() {
  local pid
  for pid in $(pgrep -f -- "$1"); do
    grep -qxzF "WINEPREFIX=$WINEPREFIX" "/proc/$pid/environ" 2>/dev/null && return 0
  done
  return 1
}
