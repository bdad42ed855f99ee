#!/usr/bin/env bash
# End-to-end scenarios of VtrSysTray.exe under Wine, inside an X server
# (run it under `xvfb-run -a`: with no X server Wine's shell refuses the
# tray icon).
#
#   scenarios.sh --wine WINE --bits 64|32 --tray VtrSysTray.exe --version X.Y.Z
#                --driver vtrdriver.exe --fakevtr Vtr.exe --work DIR
#                [--unit test_win_runtime.exe] [--screenshots DIR] [--only 'NAME...']
#
# --bits 32 runs the shipped i686 build under 32-bit Wine (WINE is then the
# 32-bit loader) in a 64-bit prefix: the program, the driver and the fake
# Vtr.exe are all 32-bit, and every registry check looks at the 32-bit view
# (HKLM\Software\Wow6432Node on the 64-bit side), where a 32-bit Vantorel
# keeps its settings.
#
# The utility runs from C:\VtrSysTray in a prefix of its own (DIR/prefix);
# vtrdriver.exe plays the shell and the user, a fake Vtr.exe records each
# launch, and a fake xdg-open records the addresses that the About box opens.
# Every scenario sets the registry it needs with `wine reg import`, and waits
# by polling, never by a fixed sleep. That something did not happen shows once
# a later action has taken effect: the utility opens a menu only after it is
# done with everything before, and a Vtr.exe it started has written its line
# once it has ended.
set -uo pipefail

wine="" bits=64 tray="" version="" driver="" fakevtr="" work="" unit="" shots="" only=""
while (($#)); do
  case "$1" in
    --wine) wine=$2; shift 2 ;;
    --bits) bits=$2; shift 2 ;;
    --tray) tray=$2; shift 2 ;;
    --version) version=$2; shift 2 ;;
    --driver) driver=$2; shift 2 ;;
    --fakevtr) fakevtr=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    --unit) unit=$2; shift 2 ;;
    --screenshots) shots=$2; shift 2 ;;
    --only) only=$2; shift 2 ;;
    *) echo "unknown argument $1" >&2; exit 2 ;;
  esac
done
for v in wine tray version driver fakevtr work; do
  [ -n "${!v}" ] || { echo "missing --$v" >&2; exit 2; }
done
case $bits in
  64) view=/reg:64 ;;
  32) view=/reg:32 ;;
  *) echo "--bits is 64 or 32" >&2; exit 2 ;;
esac
[ -n "${DISPLAY:-}" ] || { echo "no X server: run under xvfb-run -a" >&2; exit 2; }

started=$(date +%s)
mkdir -p "$work/bin"
work=$(cd "$work" && pwd)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all LANG=C.UTF-8 LC_ALL=C.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml="
drive_c="$WINEPREFIX/drive_c"
launches="$work/launches.txt"
opened="$work/opened.txt"
export VTR_E2E_LOG="Z:${launches//\//\\}"

# What the About box's links open ends here instead of in a browser.
cat >"$work/bin/xdg-open" <<EOF
#!/bin/sh
printf '%s\n' "\$*" >>"$opened"
EOF
chmod +x "$work/bin/xdg-open"
export PATH="$work/bin:$PATH"

. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
start_prefix
# 96 DPI unless a scenario says otherwise (an interrupted run may have left 144).
W reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1

# A denial on the Run key that an interrupted run left behind is lifted.
drv allow-run >/dev/null 2>&1

mkdir -p "$drive_c/VtrSysTray" "$drive_c/Apps/Vantorel" "$drive_c/Program Files/Vantorel"
cp "$tray" "$drive_c/VtrSysTray/VtrSysTray.exe"

tray_pid=""
start_tray() {
  W 'C:\VtrSysTray\VtrSysTray.exe' >/dev/null 2>&1 &
  tray_pid=$!
  drv find icon-present >/dev/null || bad "the utility starts and shows its icon"
}
stop_tray() {  # the utility is gone, and its unix process with it
  drv gone >/dev/null || bad "the utility ends"
  if [ -n "$tray_pid" ]; then wait "$tray_pid" 2>/dev/null; tray_pid=""; fi
}

# place_vtr WHERE...: puts the fake Vtr.exe in the places named (apppaths,
# beside, programfiles) and removes it from the others.
place_vtr() {
  rm -f "$drive_c/Apps/Vantorel/Vtr.exe" "$drive_c/VtrSysTray/Vtr.exe" "$drive_c/Program Files/Vantorel/Vtr.exe"
  for where in "$@"; do
    case $where in
      apppaths) cp "$fakevtr" "$drive_c/Apps/Vantorel/Vtr.exe" ;;
      beside) cp "$fakevtr" "$drive_c/VtrSysTray/Vtr.exe" ;;
      programfiles) cp "$fakevtr" "$drive_c/Program Files/Vantorel/Vtr.exe" ;;
    esac
  done
}

# set_registry [apppaths] [recent N] [autoshutdown X] [last TEXT] [run]:
# the utility's whole registry world, written in one import.
set_registry() {
  local reg="$work/state.reg" app=0 recent=0 auto="" last=$'\1' run=0
  while (($#)); do
    case $1 in
      apppaths) app=1; shift ;;
      recent) recent=$2; shift 2 ;;
      autoshutdown) auto=$2; shift 2 ;;
      last) last=$2; shift 2 ;;
      run) run=1; shift ;;
    esac
  done
  {
    echo 'Windows Registry Editor Version 5.00'
    echo
    echo '[-HKEY_LOCAL_MACHINE\Software\Vantorel]'
    echo '[-HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\vtr.exe]'
    echo '[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Run]'
    if ((run)); then echo '"VtrSysTray"="C:\\VtrSysTray\\VtrSysTray.exe"'; else echo '"VtrSysTray"=-'; fi
    if ((app)); then
      echo '[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\vtr.exe]'
      echo '@="C:\\Apps\\Vantorel\\Vtr.exe"'
    fi
    echo '[HKEY_LOCAL_MACHINE\Software\Vantorel\Options]'
    [ -n "$auto" ] && echo "\"AutoShutdown\"=\"$auto\""
    [ "$last" != $'\1' ] && echo "\"LastFileApplied\"=\"${last//\\/\\\\}\""
    if ((recent)); then
      echo '[HKEY_LOCAL_MACHINE\Software\Vantorel\Recent]'
      echo "\"MaxFile\"=\"5\""
      for i in $(seq 1 "$recent"); do echo "\"File$i\"=\"D:\\\\Data\\\\Net $i.txt\""; done
    fi
  } >"$reg"
  W reg import 'Z:'"${reg//\//\\}" "$view" >/dev/null 2>&1 || bad "importing the registry state"
  : >"$launches"
  : >"$opened"
}


shot() {  # shot NAME [L T W H]: a screenshot, cut to that part of the screen
  [ -n "$shots" ] || return 0
  mkdir -p "$shots"
  local crop=()
  (($# == 5)) && crop=(-crop "$(($4 + 16))x$(($5 + 16))+$(($2 > 8 ? $2 - 8 : 0))+$(($3 > 8 ? $3 - 8 : 0))" +repage)
  import -window root png:- | convert - "${crop[@]}" "$shots/$1.png" && echo "# screenshot $shots/$1.png"
}

want() { [ -z "$only" ] || [[ " $only " == *" $1 "* ]]; }

# The menu's height for 0, 3 and 5 recent files, compared at the end.
h0="" h3="" h5=""

# ---------------------------------------------------------------------------
if [ -n "$unit" ] && want unit; then
  echo "# the window runtime in-process (GoogleTest)"
  if W "$unit" >"$work/unit.txt" 2>&1; then
    ok "the window runtime's own tests ($(grep -a -c '^\[       OK' "$work/unit.txt") passed)"
  else
    tr -d '\r' <"$work/unit.txt" | grep -a -E 'FAILED|Failure|Expected|Which is|actual|error' | head -40
    bad "the window runtime's own tests"
  fi
fi

# ---------------------------------------------------------------------------
if want apppaths; then
  echo "# start-up through the App Paths entry; tooltip, double-click, three recent files"
  place_vtr apppaths beside programfiles
  set_registry apppaths recent 3 last 'C:\Docs\Plan.txt'
  start_tray
  check "TrayIconActive is 1 while the utility runs" "1" "$(setting TrayIconActive)"
  # The tip as the shell shows it when the pointer rests on the icon: the
  # utility's 64 characters and nothing after them.
  out=$(drv tip)
  tip='Last file applied: C:\Docs\Plan.txt'
  check "the tooltip, blank-filled to 64 characters" "tip \"$(printf '%-64s' "$tip")\"" "$(grep '^tip' <<<"$out")"

  # A change of LastFileApplied shows when the pointer next comes to the
  # icon; a long name is cut at 64 characters.
  long='C:\A folder with a rather long name\and another one below it\Report.txt'
  W reg add 'HKLM\Software\Vantorel\Options' /v LastFileApplied /d "$long" /f "$view" >/dev/null 2>&1
  out=$(drv post 0x201 tip)  # 0x201 (left button down) changes nothing
  full="Last file applied: $long"
  check "the pointer over the icon refreshes the tooltip, cut at 64" "tip \"${full:0:64}\"" "$(grep '^tip' <<<"$out")"

  drv post 0x203 >/dev/null
  check "a double-click starts Vtr.exe from App Paths, alone, shown normally" \
    'C:\Apps\Vantorel\Vtr.exe|C:\Apps\Vantorel\Vtr.exe|show=1' "$(wait_lines "$launches" 1 | tail -1)"

  # The pointer rests on the icon in Wine's tray window, as a user's would.
  out=$(drv pointer 14 32 post 0x205 menu)
  h3=$(awk '/^menu [0-9]/ {print $2}' <<<"$out")
  shot popup-menu 0 0 300 220
  # Item 4 is hidden: its key does nothing and the menu stays open.
  drv key 4 menu key 2 menu-gone >/dev/null || bad "the popup menu takes item 2"
  check "recent item 2 starts Vtr.exe with its file in quotes" \
    'C:\Apps\Vantorel\Vtr.exe|C:\Apps\Vantorel\Vtr.exe "D:\Data\Net 2.txt"|show=1' "$(wait_lines "$launches" 2 | tail -1)"
  drv post 0x205 key o menu-gone >/dev/null || bad "the popup menu takes Open"
  check "Open Vantorel starts Vtr.exe alone" 'C:\Apps\Vantorel\Vtr.exe|C:\Apps\Vantorel\Vtr.exe|show=1' \
    "$(wait_lines "$launches" 3 | tail -1)"
  drv post 0x205 esc menu-gone >/dev/null || bad "Esc closes the popup menu"
  drv post 0x205 menu esc menu-gone ended Vtr.exe >/dev/null || bad "the popup menu opens again"
  check "a dismissed menu starts nothing" "3" "$(wc -l <"$launches")"

  # Explorer restarts: the shell has lost the icon and broadcasts TaskbarCreated.
  hwnd=$(drv find | awk '{print $2}')
  drv drop-icon icon-absent taskbar-created icon-present >/dev/null || bad "TaskbarCreated adds the icon again"
  out=$(drv tip)
  check "the re-added icon keeps its tooltip" "tip \"${full:0:64}\"" "$(grep '^tip' <<<"$out")"

  drv post 0x205 key c >/dev/null
  stop_tray
  check "Close: TrayIconActive is 0" "0" "$(setting TrayIconActive)"
  check "Close leaves TrayIcon alone" "<absent>" "$(setting TrayIcon)"
  drv icon-absent-for "$hwnd" >/dev/null || bad "Close removes the icon from the shell"
fi

# ---------------------------------------------------------------------------
if want beside; then
  echo "# start-up with Vtr.exe beside the utility; no recent files; About; close box"
  place_vtr beside programfiles
  set_registry autoshutdown 1 last ''
  start_tray
  out=$(drv tip)
  check "an empty LastFileApplied loses the trailing blank" "tip \"$(printf '%-64s' 'Last file applied:')\"" "$(grep '^tip' <<<"$out")"
  out=$(drv post 0x205 menu)
  h0=$(awk '/^menu [0-9]/ {print $2}' <<<"$out")
  drv key o menu-gone >/dev/null
  check "Open starts the Vtr.exe beside the utility" 'C:\VtrSysTray\Vtr.exe|C:\VtrSysTray\Vtr.exe|show=1' \
    "$(wait_lines "$launches" 1 | tail -1)"

  drv post 0x205 key a about >"$work/about.txt" || bad "About Vantorel opens the About box"
  shot about-box-96dpi $(awk '/^about rect/ {print $3, $4, $5, $6}' "$work/about.txt")
  check "the About box's caption and version" "1" "$(grep -Fc "\"Version $version - BETA RELEASE 3\"" "$work/about.txt")"
  check "the About box's title" "1" "$(grep -c '"Vantorel"$' "$work/about.txt")"
  check "the About box's client area is 381 x 268 pixels" "about client 381x268" "$(grep '^about client' "$work/about.txt")"
  check "the About box's OK button" "1" "$(grep -c '^control Button 292,240 84x23 "OK"' "$work/about.txt")"
  drv post 0x205 key a about-front post 0x205 menu esc menu-gone about-count 1 >/dev/null ||
    bad "About again brings the one box to the front"
  hands=$(drv hand)
  check "the hand shows over the two links" "2" "$(grep -c '^hand yes "http://' <<<"$hands")"
  check "the hand shows nowhere else" "0" "$(grep '^hand yes' <<<"$hands" | grep -vc '"http://')"
  # Each address reaches xdg-open through its own process: wait for the
  # first before clicking the second, so that the record keeps their order.
  drv link 1 >/dev/null
  wait_lines "$opened" 1 >/dev/null
  drv link 2 >/dev/null
  check "the links open their addresses" $'http://www.vantorel.com/vantorel\nhttp://www.vantorel.com/vantorel/addins' \
    "$(wait_lines "$opened" 2)"
  drv about-count 1 about-key esc about-gone >/dev/null || bad "Esc closes the About box"
  drv post 0x205 key a about about-key enter about-gone >/dev/null || bad "Enter closes the About box"
  check "the About box reads fresh each time" "1" "$(drv post 0x205 key a about | grep -c 'BETA RELEASE 3"$')"
  drv about-key esc about-gone >/dev/null

  # The window's own close command (unload reason 0) asks nothing, even with
  # AutoShutdown 1.
  drv close >/dev/null
  stop_tray
  check "closing the window: TrayIconActive is 0" "0" "$(setting TrayIconActive)"
fi

# ---------------------------------------------------------------------------
if want programfiles; then
  echo "# start-up with Vtr.exe under Program Files; five recent files; Close and Disable"
  place_vtr programfiles
  set_registry recent 5 run
  start_tray
  out=$(drv post 0x205 menu)
  h5=$(awk '/^menu [0-9]/ {print $2}' <<<"$out")
  drv key 5 menu-gone >/dev/null
  check "recent item 5 starts the Vtr.exe under Program Files" \
    'C:\Program Files\Vantorel\Vtr.exe|C:\Program Files\Vantorel\Vtr.exe "D:\Data\Net 5.txt"|show=1' \
    "$(wait_lines "$launches" 1 | tail -1)"
  drv post 0x205 key d >/dev/null
  stop_tray
  check "Close and Disable removes the Run value" "<absent>" \
    "$(reg_value 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run' VtrSysTray)"
  check "Close and Disable: TrayIcon is 0" "0" "$(setting TrayIcon)"
  check "Close and Disable: TrayIconActive is 0" "0" "$(setting TrayIconActive)"
fi

# ---------------------------------------------------------------------------
if want refused; then
  echo "# Close and Disable where the Run key refuses KEY_SET_VALUE, as to a program without administrator rights"
  place_vtr beside
  set_registry run
  run_key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run'
  ask='VtrSysTray starts for every user of this computer when they log on. Removing it from start-up needs administrator rights.|/|/Do you want to remove it from start-up now, with administrator rights?'
  again='VtrSysTray will start again at the next logon. To stop that, run VtrSysTray as an administrator and choose "Close and Disable", or uninstall VtrSysTray.'
  start_tray
  drv deny-run >/dev/null || bad "denying KEY_SET_VALUE on the Run key"
  out=$(drv post 0x205 key d menu-gone msgbox)
  check "a refused removal asks whether to use administrator rights" "msgbox text \"$ask\" buttons &Yes,&No" \
    "$(grep '^msgbox text' <<<"$out")"
  check "the question is in front, owned by the tray window" "msgbox front yes topmost yes owner tray" \
    "$(grep '^msgbox front' <<<"$out")"
  out=$(drv answer no msgbox)
  check "No: the utility says it starts again at the next logon" "msgbox text \"$again\" buttons OK" \
    "$(grep '^msgbox text' <<<"$out")"
  drv answer ok >/dev/null
  stop_tray
  check "after No the start-up entry is still there" 'C:\VtrSysTray\VtrSysTray.exe' "$(reg_value "$run_key" VtrSysTray)"
  check "after No TrayIcon is 0 all the same" "0" "$(setting TrayIcon)"

  # Yes runs reg.exe through the "runas" verb. Wine has no UAC to raise its
  # rights, so the test lifts the denial before answering, as the
  # administrator's rights would.
  start_tray
  drv post 0x205 key d menu-gone msgbox allow-run answer yes >/dev/null || bad "the question is asked again"
  stop_tray  # a box after the removal would keep the utility open
  check "after Yes the start-up entry is gone" "<absent>" "$(reg_value "$run_key" VtrSysTray)"
  drv allow-run >/dev/null
fi

# ---------------------------------------------------------------------------
if want applied; then
  echo "# Vantorel ($bits-bit) applies a recent file; the utility's tooltip follows it"
  place_vtr apppaths
  set_registry apppaths recent 3 last 'C:\Docs\Plan.txt'
  export VTR_E2E_APPLY=1  # the fake Vtr.exe started by the utility writes LastFileApplied
  start_tray
  unset VTR_E2E_APPLY
  drv post 0x205 key 2 menu-gone >/dev/null || bad "the popup menu takes item 2"
  wait_lines "$launches" 1 >/dev/null
  drv ended Vtr.exe >/dev/null  # it writes the registry after its line
  check "Vtr.exe wrote the file it applied, in its own registry view" 'D:\Data\Net 2.txt' \
    "$(setting LastFileApplied)"
  if ((bits == 32)); then
    # A 32-bit program's HKLM\Software is the 32-bit view: the 64-bit side
    # still holds nothing of Vantorel's.
    check "the 64-bit view holds no Vantorel settings" "<absent>" \
      "$(reg_value 'HKLM\Software\Vantorel\Options' LastFileApplied /reg:64)"
  fi
  out=$(drv tip)
  check "the tooltip names the file that Vantorel applied" \
    "tip \"$(printf '%-64s' 'Last file applied: D:\Data\Net 2.txt')\"" "$(grep '^tip' <<<"$out")"
  drv close >/dev/null
  stop_tray
fi

# ---------------------------------------------------------------------------
if want notfound; then
  echo "# no Vtr.exe anywhere"
  place_vtr
  set_registry recent 3
  start_tray
  out=$(drv post 0x205 menu)
  [ -z "$h0" ] || check "the menu offers no launch: recent items stay hidden" "$h0" "$(awk '/^menu [0-9]/ {print $2}' <<<"$out")"
  # The key of the disabled Open closes the menu choosing nothing; the key of
  # a hidden recent item finds nothing and the menu stays open.
  drv key o menu-gone post 0x205 menu key 1 menu esc menu-gone post 0x203 \
    post 0x205 menu esc menu-gone ended Vtr.exe >/dev/null || bad "the menu without Vtr.exe"
  check "a disabled Open, a hidden item and a double-click start nothing" "0" "$(wc -l <"$launches")"
  drv close >/dev/null
  stop_tray
fi

# ---------------------------------------------------------------------------
if want session; then
  echo "# the end of the session with AutoShutdown 1"
  place_vtr apppaths
  set_registry apppaths autoshutdown 1
  start_tray
  W wineboot.exe -e >/dev/null 2>&1 &
  boot=$!
  out=$(drv msgbox)
  shot message-box $(awk '/^msgbox rect/ {print $3, $4, $5, $6}' <<<"$out")
  check "the question at the end of the session" \
    'msgbox text "Vantorel has been set to run at ShutDown/Logoff.|/|/Would you like to run Vantorel now?" buttons &Yes,&No' \
    "$(grep '^msgbox text' <<<"$out")"
  check "Yes is the default answer" "msgbox default &Yes" "$(grep '^msgbox default' <<<"$out")"
  check "the question is in front of every window, owned by the tray window" \
    "msgbox front yes topmost yes owner tray" "$(grep '^msgbox front' <<<"$out")"
  drv answer yes msgbox-gone >/dev/null
  wait "$boot"
  check "Yes refuses the end of the session" "1" "$?"
  check "Yes starts Vtr.exe alone" 'C:\Apps\Vantorel\Vtr.exe|C:\Apps\Vantorel\Vtr.exe|show=1' \
    "$(wait_lines "$launches" 1 | tail -1)"
  drv find icon-present >/dev/null || bad "after Yes the utility and its icon stay"
  check "after Yes TrayIconActive stays 1" "1" "$(setting TrayIconActive)"

  W wineboot.exe -e >/dev/null 2>&1 &
  boot=$!
  drv msgbox answer no >/dev/null || bad "the question is asked again"
  wait "$boot"
  check "No lets the session end" "0" "$?"
  stop_tray
  drv ended Vtr.exe >/dev/null
  check "after No TrayIconActive is 0" "0" "$(setting TrayIconActive)"
  check "No starts nothing" "1" "$(wc -l <"$launches")"
fi

# ---------------------------------------------------------------------------
if want dpi; then
  echo "# at 144 DPI (Wine's LogPixels): the About box laid out larger, nothing cut; the icons at 120, 144 and 192 DPI"
  W reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1
  if [ -n "$unit" ]; then
    # The in-process layout checks (sizes, fonts, no text cut, the icon's size).
    if W "$unit" --gtest_filter='*AboutBox*:*HiddenTopLevel*:*SizesOfTheScreensDpi*' >"$work/unit144.txt" 2>&1; then
      ok "the window runtime's layout tests at 144 DPI ($(grep -a -c '^\[       OK' "$work/unit144.txt") passed)"
    else
      tr -d '\r' <"$work/unit144.txt" | grep -a -E 'FAILED|Failure|Expected|Which is|actual|cut' | head -40
      bad "the window runtime's layout tests at 144 DPI"
    fi
  fi
  # The icons at the other scales a user picks: 125 % and 200 %.
  for dpi in 120 192; do
    [ -n "$unit" ] || break
    W reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d $dpi /f >/dev/null 2>&1
    if W "$unit" --gtest_filter='*SizesOfTheScreensDpi*' >"$work/unit$dpi.txt" 2>&1 &&
      sizes=$(tr -d '\r' <"$work/unit$dpi.txt" | grep -a -o "^# $dpi DPI: small icon [0-9]*, icon [0-9]*") &&
      grep -q '^\[  PASSED  \] 1 test' "$work/unit$dpi.txt"; then
      ok "the tray icon and the About box's picture at ${sizes#\# }"
    else
      tr -d '\r' <"$work/unit$dpi.txt" | grep -a -E 'Failure|Expected|Which is|DPI' | head -20
      bad "the icons at $dpi DPI"
    fi
  done
  W reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1
  place_vtr beside
  set_registry
  start_tray
  drv post 0x205 key a about >"$work/about144.txt" || bad "About Vantorel opens the About box at 144 DPI"
  shot about-box-144dpi $(awk '/^about rect/ {print $3, $4, $5, $6}' "$work/about144.txt")
  check "the About box's client area is 5715 x 4020 twips at 10 twips a pixel" "about client 572x402" \
    "$(grep '^about client' "$work/about144.txt")"
  drv about-key esc about-gone close >/dev/null
  stop_tray
  W reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1
fi

# ---------------------------------------------------------------------------
if want installer; then
  echo "# an installer closes the utility as the Restart Manager does (ENDSESSION_CLOSEAPP); a log-off still asks"
  place_vtr apppaths
  set_registry apppaths autoshutdown 1
  start_tray
  hwnd=$(drv find | awk '{print $2}')
  # A question would hold the answer back past the driver's deadline.
  check "the installer's request is agreed to, with no question, even with AutoShutdown 1" "query-end TRUE" \
    "$(drv query-end 0x1)"
  drv find icon-present >/dev/null || bad "the utility waits for WM_ENDSESSION before it closes"
  drv end-session 1 0x1 >/dev/null
  stop_tray
  check "closed for the installer: TrayIconActive is 0" "0" "$(setting TrayIconActive)"
  drv icon-absent-for "$hwnd" >/dev/null || bad "closed for the installer: the icon is gone"
  check "closed for the installer: nothing started" "0" "$(wc -l <"$launches")"

  start_tray
  drv query-end 0x80000000 >"$work/logoff.txt" &
  asked=$!
  out=$(drv msgbox answer yes)
  check "a log-off still asks" \
    'msgbox text "Vantorel has been set to run at ShutDown/Logoff.|/|/Would you like to run Vantorel now?" buttons &Yes,&No' \
    "$(grep '^msgbox text' <<<"$out")"
  wait "$asked"
  check "a log-off answered Yes is still refused" "query-end FALSE" "$(tr -d '\r' <"$work/logoff.txt")"
  check "... and starts Vtr.exe" 'C:\Apps\Vantorel\Vtr.exe|C:\Apps\Vantorel\Vtr.exe|show=1' "$(wait_lines "$launches" 1 | tail -1)"
  # An installer that closes without asking first (a forced close).
  drv end-session 1 0x1 >/dev/null
  stop_tray
  check "a close with no request before it: TrayIconActive is 0" "0" "$(setting TrayIconActive)"
fi

# ---------------------------------------------------------------------------
if want second; then
  echo "# a second start while the utility runs: it says where the icon is and ends; the running copy carries on"
  place_vtr apppaths
  set_registry apppaths last 'C:\Docs\Plan.txt'
  start_tray
  W 'C:\VtrSysTray\VtrSysTray.exe' >/dev/null 2>&1 &
  second=$!
  out=$(drv msgbox)
  shot second-start $(awk '/^msgbox rect/ {print $3, $4, $5, $6}' <<<"$out")
  check "the second start says where the running copy's icon is, Windows 11's hidden icons included" \
    'msgbox text "VtrSysTray is already running.|/|/Its icon is in the notification area at the right end of the taskbar. On Windows 11 it may be behind the ^ arrow (Show hidden icons). Right-click the icon for its menu." buttons OK' \
    "$(grep '^msgbox text' <<<"$out")"
  check "its message is in front" "msgbox front yes topmost yes" "$(grep -o '^msgbox front [a-z]* topmost [a-z]*' <<<"$out")"
  check "while it shows: one tray window, one icon" "windows 1 icons 1" "$(drv count)"
  drv answer ok running 1 >/dev/null || bad "one copy runs after the second start"
  wait_until not kill -0 "$second" 2>/dev/null
  if kill -0 "$second" 2>/dev/null; then bad "the second start ends"; else
    wait "$second"
    check "the second start ends with exit code 0" "0" "$?"
  fi
  check "TrayIconActive stays 1 after the second start ends" "1" "$(setting TrayIconActive)"
  out=$(drv tip)
  check "the running copy's icon carries on" "tip \"$(printf '%-64s' 'Last file applied: C:\Docs\Plan.txt')\"" \
    "$(grep '^tip' <<<"$out")"
  drv close >/dev/null
  stop_tray
  check "closed after a second start: TrayIconActive is 0" "0" "$(setting TrayIconActive)"
fi

if [ -n "$h0" ] && [ -n "$h3" ] && [ -n "$h5" ]; then
  # Each recent item adds one row; the first adds a separator as well.
  row=$(((h5 - h3) / 2))
  if ((h3 > h0 && h5 > h3 && (h5 - h3) == 2 * row && (h3 - h0) > 3 * row)); then
    ok "the menu grows by one row per recent file and one separator (heights $h0, $h3, $h5)"
  else
    bad "menu heights for 0, 3 and 5 recent files: $h0, $h3, $h5"
  fi
fi

finish
