# Shared by the end-to-end scripts under Wine (scenarios.sh and
# ../package/package_scenarios.sh); sourced after they have set wine,
# driver, view and started.

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

# wait_lines FILE N: polls until FILE has N lines (at most 15 s), prints them.
wait_lines() {
  local i
  for ((i = 0; i < 300; i++)); do
    [ "$(wc -l <"$1")" -ge "$2" ] && break
    sleep 0.05
  done
  tr -d '\r' <"$1"
}
