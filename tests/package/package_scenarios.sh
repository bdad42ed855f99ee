#!/usr/bin/env bash
# An installer installed and removed as a Windows user would, in a fresh
# 64-bit prefix inside an X server (run it under `xvfb-run -a`): the shipped
# one (--bits 32, the i686 build's, under 32-bit Wine) or its 64-bit twin
# (--bits 64, the x86_64 build's, under wine64), each with its build's programs.
#
#   package_scenarios.sh --wine WINE --bits 32|64 --setup SETUP.exe --version X.Y.Z --packages BUILD_DIR
#                        --program VtrSysTray.exe --driver vtrdriver.exe --fakevtr Vtr.exe --work DIR
#                        [--only NAME] [--screenshots DIR] [--ca CA.pem [--timestamped]]
#
# With --screenshots, it also steps through the interactive installer and
# uninstaller (with xdotool) and saves a picture of each page in DIR.
# A stand-in Vantorel (the fake Vtr.exe, a data file of its own and its
# settings) is registered in App Paths. Every run is silent (/S); the checks
# read the program's registry view (32-bit for the shipped program), where
# the installer, the utility and a Vantorel of its bitness keep their entries.
# The twins differ in nothing else: both install into the 32-bit Program
# Files folder. With --ca (a signed build) the installer, the uninstaller it
# writes and the installed program must be signed by that authority, and
# the signed program is the tested one plus its signature; without it none
# of them is signed.
set -uo pipefail

wine="" bits="" setup="" shots="" ca="" timestamped=no version="" packages="" program="" driver="" fakevtr="" work="" only=""
while (($#)); do
  case "$1" in
    --wine) wine=$2; shift 2 ;;
    --bits) bits=$2; shift 2 ;;
    --setup) setup=$2; shift 2 ;;
    --version) version=$2; shift 2 ;;
    --packages) packages=$2; shift 2 ;;
    --program) program=$2; shift 2 ;;
    --driver) driver=$2; shift 2 ;;
    --fakevtr) fakevtr=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    --only) only=$2; shift 2 ;;
    --screenshots) shots=$2; shift 2 ;;
    --ca) ca=$2; shift 2 ;;
    --timestamped) timestamped=yes; shift ;;
    *) echo "unknown argument $1" >&2; exit 2 ;;
  esac
done
for v in wine bits setup version packages program driver fakevtr work; do
  [ -n "${!v}" ] || { echo "missing --$v" >&2; exit 2; }
done
[ -n "${DISPLAY:-}" ] || { echo "no X server: run under xvfb-run -a" >&2; exit 2; }
# The caption, as the build wrote it into the program's generated header.
caption=$(sed -n 's/^#define VTR_TRAY_CAPTION "\(.*\)"$/\1/p' "$packages/generated/vtr_version.h" 2>/dev/null)
[ -n "$caption" ] || { echo "no VTR_TRAY_CAPTION in $packages/generated/vtr_version.h" >&2; exit 2; }
[ -f "$setup" ] || { echo "no $setup: build the target package first" >&2; exit 2; }

started=$(date +%s)
mkdir -p "$work"
work=$(cd "$work" && pwd)
# A fresh prefix: nothing of an earlier run may pass for the installer's work.
rm -rf "$work/prefix"
export WINEPREFIX="$work/prefix" WINEDEBUG=-all LANG=C.UTF-8 LC_ALL=C.UTF-8
# (No winemenubuilder: the Start-menu entry stays in the prefix, out of this
# machine's own menus.)
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
view=/reg:$bits other_view=/reg:$((96 - bits))
. "$(dirname "${BASH_SOURCE[0]}")/../e2e/common.sh"
. "$(dirname "${BASH_SOURCE[0]}")/signature.sh"
check "the installer's signature" "$(expected_signature)" "$(signature "$setup")"
start_prefix
drive_c="$WINEPREFIX/drive_c"
# The installer as a user downloads it: to a path of no spaces, so the
# command line needs no quotes.
cp "$setup" "$drive_c/"
export VTR_E2E_LOG="Z:${work//\//\\}\\launches.txt"

want() { [ -z "$only" ] || [ "$only" == "$1" ]; }

run_key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run'
uninst_key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\VtrSysTray'
app_paths_key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\vtr.exe'
# The Startup-apps switch is in the native (64-bit) view, in Run32 for a
# 32-bit program's entry; "off" since 1 December 2026, 09:00 UTC.
approved_key="HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run${bits/64/}"
switched_off=03000000002861587281DD01
switch() { reg_value "$approved_key" VtrSysTray /reg:64; }
stage_switch_off() {
  W reg add "$approved_key" /v VtrSysTray /t REG_BINARY /d $switched_off /f /reg:64 >/dev/null 2>&1
  check "the switch is staged off" "$switched_off" "$(switch)"
}
start_menu="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs"
start_menu_win='C:\ProgramData\Microsoft\Windows\Start Menu\Programs'
ours_in_start_menu() { ls "$start_menu" 2>/dev/null | grep -i -e vantorel -e vtr; }
vtr_dir="$drive_c/Apps/Vantorel"
vtr_dir_win='C:\Apps\Vantorel'
pf_dir_win='C:\Program Files (x86)\Vantorel'
pf_dir="$drive_c/Program Files (x86)/Vantorel"

# The stand-in Vantorel: its program, a file of its own, its settings and,
# unless told "no-app-paths", its App Paths entry.
place_vantorel() {
  mkdir -p "$vtr_dir"
  cp "$fakevtr" "$vtr_dir/Vtr.exe"
  echo "Vantorel's own data" >"$vtr_dir/Vantorel.dat"
  local reg="$work/vantorel.reg"
  {
    echo 'Windows Registry Editor Version 5.00'
    echo
    echo '[-HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\vtr.exe]'
    if [ "${1:-}" != no-app-paths ]; then
      echo '[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\vtr.exe]'
      echo '@="C:\\Apps\\Vantorel\\Vtr.exe"'
    fi
    echo '[HKEY_LOCAL_MACHINE\Software\Vantorel\Options]'
    echo '"LastFileApplied"="C:\\Docs\\Plan.txt"'
    echo '"AutoShutdown"="0"'
    echo '[HKEY_LOCAL_MACHINE\Software\Vantorel\Recent]'
    echo '"MaxFile"="4"'
    echo '"File1"="C:\\Docs\\Plan.txt"'
  } >"$reg"
  W reg import 'Z:'"${reg//\//\\}" "$view" >/dev/null 2>&1 || bad "importing Vantorel's settings"
}

# Vantorel's things, as a text to compare before and after.
vantorel_state() {
  W reg query 'HKLM\Software\Vantorel' /s "$view" 2>/dev/null | tr -d '\r' | grep -v '^$'
  md5sum "$vtr_dir/Vtr.exe" "$vtr_dir/Vantorel.dat" 2>&1 | sed "s|$vtr_dir/||"
}

# install [/D=FOLDER]: a silent installation; prints the exit code. The
# command line goes through cmd as a user types it: /D= takes the rest of the
# line, spaces and all, and must not be quoted.
install() {
  W cmd /c "C:\\$(basename "$setup") /S${1:+ $1}" >/dev/null 2>&1 </dev/null
  echo $?
}

# uninstall DIR: the quiet uninstall as registered, then waits for it to
# finish (the uninstaller runs on from a copy of itself, as on Windows, and
# is gone at the end).
uninstall() {
  local dir_unix=$1
  W "$(winpath "$dir_unix")\\VtrSysTray-uninstall.exe" /S >/dev/null 2>&1 </dev/null
  wait_until not test -e "$dir_unix/VtrSysTray-uninstall.exe"
  # Then its copy: no uninstaller process left.
  wait_until not runs_in_prefix 'ns[^ ]*\.tmp|Un_[A-Z]\.exe|Au_\.exe'
}

winpath() { W winepath -w "$1" 2>/dev/null | tr -d '\r'; }

# Every value of the uninstall entry, as "name=data" lines.
uninstall_entry() {
  local n
  for n in DisplayName DisplayVersion Publisher DisplayIcon InstallLocation UninstallString \
    QuietUninstallString NoModify NoRepair; do
    echo "$n=$(reg_value "$uninst_key" "$n")"
  done
}

# What a user finds after installing into DIR (Windows form WIN).
check_installed() {
  local dir=$1 win=$2
  check "the installed files" "VtrSysTray-License.txt VtrSysTray-ReadMe.txt VtrSysTray-uninstall.exe VtrSysTray.exe" \
    "$(cd "$dir" && ls VtrSysTray* | tr '\n' ' ' | sed 's/ $//')"
  check "the installed program is the tested one${ca:+ plus its signature}" "$(md5sum <"$program")" \
    "$(as_tested "$dir/VtrSysTray.exe")"
  check "the signatures of the installed program and uninstaller" "$(expected_signature) $(expected_signature)" \
    "$(signature "$dir/VtrSysTray.exe") $(signature "$dir/VtrSysTray-uninstall.exe")"
  check "the start-up entry, in the program's view ($view)" "\"$win\\VtrSysTray.exe\"" "$(reg_value "$run_key" VtrSysTray)"
  check "no start-up entry in the other view ($other_view)" "<absent>" "$(reg_value "$run_key" VtrSysTray "$other_view")"
  check "one Start-menu entry for all users" "$caption.lnk" "$(ours_in_start_menu)"
  check "it starts the installed program, with its icon" "target $win\\VtrSysTray.exe
args \"\"
icon $win\\VtrSysTray.exe,0" "$(drv shortcut "$start_menu_win\\$caption.lnk")"
  check "the Programs and Features entry" "DisplayName=$caption
DisplayVersion=$version
Publisher=Vantorel
DisplayIcon=$win\\VtrSysTray.exe,0
InstallLocation=$win
UninstallString=\"$win\\VtrSysTray-uninstall.exe\"
QuietUninstallString=\"$win\\VtrSysTray-uninstall.exe\" /S
NoModify=0x1
NoRepair=0x1" "$(uninstall_entry)"
  # EstimatedSize is in KiB: our four files, and none of Vantorel's.
  local kib=$(( ($(cat "$dir"/VtrSysTray* | wc -c) + 1023) / 1024 ))
  # (A missing value reads "<absent>", which must fail the check, not the shell.)
  local size
  size=$(reg_value "$uninst_key" EstimatedSize)
  if [[ "$size" =~ ^(0x[0-9a-fA-F]+|[0-9]+)$ ]]; then size=$((size)); else size=-1; fi
  if ((size >= kib - 4 && size <= kib + 4)); then ok "EstimatedSize is our files' size ($size KiB)"
  else bad "EstimatedSize: expected about $kib KiB, got $size"; fi
}

# watch_parent, before the installer runs: notes the parent process of the
# next copy of the utility that starts (Wine's explorer.exe ends soon after
# starting it, so it is looked up at once). Returns once the watcher knows
# the copies already running.
watch_parent() {
  "$wine" "$driver" parent >"$work/parent.txt" 2>&1 </dev/null &
  watcher=$!
  wait_lines "$work/parent.txt" 1 >/dev/null
}

# The utility was started by the installer as the desktop's user: it runs,
# with its icon, and its parent is the shell, not the installer.
check_started_by_shell() {
  drv running 1 icon-present >/dev/null || bad "$1 started the utility, with its icon"
  wait "$watcher"
  check "$1 started it through the shell, not with its own rights" "parent explorer.exe" \
    "$(tr -d '\r' <"$work/parent.txt" | grep -v '^watching$' | head -1)"
  check "the utility runs: TrayIconActive is 1" "1" "$(setting TrayIconActive)"
}

# start_copy: the installed utility started as a user starts it.
start_copy() {
  "$wine" "$(winpath "$1")\\VtrSysTray.exe" >/dev/null 2>&1 </dev/null &
  mine=$!
  drv running 1 icon-present >/dev/null || bad "a copy of the installed utility starts"
}

# What is left after uninstalling from DIR: nothing of ours.
check_removed() {
  local dir=$1
  check "no file of ours is left" "" "$(ls "$dir"/VtrSysTray* 2>/dev/null)"
  check "the start-up entry is gone" "<absent>" "$(reg_value "$run_key" VtrSysTray)"
  check "the Programs and Features entry is gone" "<absent>" "$(reg_value "$uninst_key" DisplayName)"
  check "the Start-menu entry is gone" "" "$(ours_in_start_menu)"
  check "the Startup-apps switch is gone" "<absent>" "$(switch)"
  drv gone >/dev/null || bad "the utility is not running"
}

# ---------------------------------------------------------------------------
if want install; then
  echo "# install into Vantorel's folder (App Paths), again over the running copy, uninstall (at ${SECONDS} s)"
  place_vantorel
  before=$(vantorel_state)
  check "the installer succeeds" "0" "$(install)"
  check_installed "$vtr_dir" "$vtr_dir_win"
  # The installer starts the utility through an explorer.exe of its own, which
  # ends once it has started it.
  wait_until not runs_in_prefix 'explorer\.exe .*VtrSysTray\.exe'
  drv gone >/dev/null || bad "a silent install with no copy running starts none"

  # The user switched it off in Settings: an upgrade keeps that.
  stage_switch_off
  # A copy of our own, whose exit we see: the reinstall must close it the way
  # Windows closes a program (WM_CLOSE), not end it.
  start_copy "$vtr_dir"
  hwnd=$(drv find | awk '{print $2}')
  watch_parent
  check "installing again over the running copy succeeds" "0" "$(install)"
  wait "$mine"
  check "the running copy was closed, not ended (its exit code)" "0" "$?"
  check_started_by_shell "the silent reinstall over a running copy"
  drv icon-absent-for "$hwnd" >/dev/null || bad "the closed copy took its icon with it"
  check_installed "$vtr_dir" "$vtr_dir_win"
  check "the upgrade kept the switch off" "$switched_off" "$(switch)"

  uninstall "$vtr_dir"
  check_removed "$vtr_dir"
  check "the uninstaller closed the utility the clean way: TrayIconActive is 0" "0" "$(setting TrayIconActive)"
  check "Vantorel's folder, files and settings are untouched" "$before" \
    "$(vantorel_state | grep -v TrayIconActive)"
fi

# ---------------------------------------------------------------------------
if want noapppaths; then
  echo "# install with no App Paths entry; Close and Disable; uninstall (at ${SECONDS} s)"
  place_vantorel no-app-paths
  # Left behind by an earlier uninstaller: a fresh installation starts on.
  stage_switch_off
  check "the installer succeeds" "0" "$(install)"
  check_installed "$pf_dir" "$pf_dir_win"
  check "the fresh installation removed the switch left behind" "<absent>" "$(switch)"
  check "nothing went into Vantorel's folder" "" "$(ls "$vtr_dir"/VtrSysTray* 2>/dev/null)"
  # The user already took it out of start-up; uninstalling still succeeds.
  start_copy "$pf_dir"
  drv post 0x205 key d gone >/dev/null || bad "Close and Disable"
  wait "$mine"
  check "Close and Disable removed the start-up entry" "<absent>" "$(reg_value "$run_key" VtrSysTray)"
  uninstall "$pf_dir"
  check_removed "$pf_dir"
  check "the folder the installer made is gone" "no" "$([ -e "$pf_dir" ] && echo yes || echo no)"
fi

# ---------------------------------------------------------------------------
if want folder; then
  echo "# a folder chosen with /D=; one that can't be made (at ${SECONDS} s)"
  place_vantorel
  check "the installer succeeds into C:\\Tray Place" "0" "$(install '/D=C:\Tray Place')"
  check_installed "$drive_c/Tray Place" 'C:\Tray Place'
  uninstall "$drive_c/Tray Place"
  check_removed "$drive_c/Tray Place"

  # A drive that takes no writes (here R:, which Wine maps to the kernel's
  # read-only sysfs): the run fails and writes nothing.
  ln -sfn /sys/kernel "$WINEPREFIX/dosdevices/r:"
  check "a folder that can't be written fails the silent run" "2" "$(install '/D=R:\Tray')"
  check "it wrote no start-up entry" "<absent>" "$(reg_value "$run_key" VtrSysTray)"
  check "it wrote no Programs and Features entry" "<absent>" "$(reg_value "$uninst_key" DisplayName)"
  check "it made no Start-menu entry" "" "$(ours_in_start_menu)"
  drv gone >/dev/null || bad "nothing was started"
fi

# ---------------------------------------------------------------------------
if want held; then
  echo "# a program file that can't be replaced; a copy that won't close (at ${SECONDS} s)"
  place_vantorel
  check "the installer succeeds" "0" "$(install)"
  W reg delete "$run_key" /v VtrSysTray /f "$view" >/dev/null 2>&1
  old=$(md5sum <"$vtr_dir/VtrSysTray.exe")
  # Another program holds the file open, sharing nothing.
  # (It lets go when its standard input, a fifo of ours, ends.)
  : >"$work/held.txt"
  rm -f "$work/release"
  mkfifo "$work/release"
  "$wine" "$driver" hold "$vtr_dir_win\\VtrSysTray.exe" <"$work/release" >"$work/held.txt" 2>&1 &
  holder=$!
  exec 3>"$work/release"
  wait_lines "$work/held.txt" 1 >/dev/null
  check "a file that can't be replaced fails the silent run" "2" "$(install)"
  check "the program file is unchanged" "$old" "$(md5sum <"$vtr_dir/VtrSysTray.exe")"
  check "the start-up entry was not written" "<absent>" "$(reg_value "$run_key" VtrSysTray)"
  drv gone >/dev/null || bad "nothing was started"
  exec 3>&-
  wait "$holder"

  # A copy that ignores WM_CLOSE is ended after the timeout, and only then.
  "$wine" "$driver" stubborn >/dev/null 2>&1 </dev/null &
  stubborn=$!
  drv find >/dev/null
  t0=$(date +%s)
  check "installing over a copy that won't close succeeds" "0" "$(install)"
  wait "$stubborn"
  check "that copy was ended (exit code 1 from the installer)" "1" "$?"
  waited=$(($(date +%s) - t0))
  if ((waited >= 10)); then ok "it was ended only after the timeout ($waited s)"; else bad "it was ended after $waited s, before the timeout"; fi
  drv running 1 >/dev/null || bad "the closed copy is started again"
  uninstall "$vtr_dir"
  check_removed "$vtr_dir"
fi

# ---------------------------------------------------------------------------
if [ -n "$shots" ] && want screenshots; then
  echo "# the installer's pages, interactively"
  mkdir -p "$shots"
  # page NAME [SECONDS]: waits for the window titled like the installer, lets
  # the page settle (1.5 s, or SECONDS), and saves the window.
  page() {
    local id="" i
    for ((i = 0; i < 100; i++)); do
      id=$(xdotool search --name "$caption.*(Setup|Uninstall)" 2>/dev/null | head -1)
      [ -n "$id" ] && break
      sleep 0.2
    done
    sleep "${2:-1.5}"
    import -window "$id" "$shots/$1.png" && echo "# screenshot $shots/$1.png"
  }
  place_vantorel
  watch_parent
  W "C:\\$(basename "$setup")" >/dev/null 2>&1 </dev/null &
  setup_pid=$!
  for name in installer-1-welcome installer-2-licence installer-3-folder installer-4-installed; do
    page "$name"
    xdotool key Return
  done
  page installer-5-finish
  xdotool key Return
  wait "$setup_pid"
  check_started_by_shell "the finish page"
  W "$vtr_dir_win\\VtrSysTray-uninstall.exe" >/dev/null 2>&1 </dev/null &
  page uninstaller-1-confirm
  xdotool key Return
  page uninstaller-2-removed 4  # closing the running utility comes first
  xdotool key Return
  drv gone >/dev/null || bad "the uninstaller closed the utility"
fi

finish
