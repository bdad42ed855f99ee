// vtrdriver: plays the Windows shell and the user against a running
// VtrSysTray.exe, for the end-to-end scenarios (tests/e2e/scenarios.sh).
//
// Usage: vtrdriver COMMAND [ARG] [COMMAND [ARG]]...
// The commands run in order; the first that fails prints "FAIL: ..." on
// standard error and the driver exits with 1. Waits poll every 20 ms up to
// their limit (VTR_E2E_TIMEOUT_MS, default 10000).
//
//   find                  wait for the hidden tray window
//   gone                  wait until no tray window and no VtrSysTray.exe remain
//   post CODE             post the icon's callback (0x200, uID 1, CODE) as the shell does
//   close                 post WM_CLOSE to the tray window
//   tip                   point at the icon (twice) and print the tip the shell shows:  tip "<text>"
//   icon-present          the shell knows the icon (a NIM_MODIFY probe succeeds)
//   icon-absent           the shell does not know it
//   icon-absent-for HWND  the shell knows no icon of that (closed) window
//   drop-icon             delete the icon from the shell, as a restarting Explorer loses it
//   taskbar-created       broadcast "TaskbarCreated"
//   menu                  wait for the popup menu; print its height in pixels
//   key C                 type character C into the open popup menu
//   esc                   press Esc in the open popup menu
//   menu-gone             wait until no popup menu is shown
//   msgbox                wait for the message box titled "Vantorel" or "VtrSysTray"; print its text and buttons
//   answer yes|no|ok      press Yes, No or OK in it
//   msgbox-gone           wait until it is gone
//   about                 wait for the About box; print its controls' texts
//   about-count N         exactly N About boxes are open
//   about-front           the About box is the foreground window
//   link 1|2              click the first or second link label
//   hand                  print, for each text of the About box, whether the pointer there differs from
//                         the one over a blank spot of the box (the hand over the links)
//   about-key enter|esc   press Enter or Esc in the About box
//   about-gone            wait until no About box is open
//   pointer X Y           move the pointer to X,Y on the screen (where the popup menu opens)
//   running N             wait until exactly N copies of the utility run, each with its tray window
//   hold FILE             open FILE sharing nothing, print "held", keep it open until standard input ends
//   stubborn              play a copy of the utility that ignores WM_CLOSE, until it is ended
//   parent                wait for a copy of the utility that was not running when the command began,
//                         and print the program file of its parent process as soon as it is seen:
//                         parent <name>  ("parent <ended>" when that process has ended already).
//                         Started before the copy is, it sees a parent that ends soon after starting
//                         it (Wine's explorer.exe does).
//   deny-run              refuse KEY_SET_VALUE on the machine's Run key to everyone (as Windows does to
//                         a program without administrator rights), in this program's registry view
//   allow-run             give the Run key full access for everyone again
#include <windows.h>
#include <sddl.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/win/WinNames.h"

namespace {

DWORD g_timeout_ms = 10000;

[[noreturn]] void fail(const std::string& what) {
  std::fprintf(stderr, "FAIL: %s\n", what.c_str());
  std::fflush(stdout);
  std::exit(1);
}

// Polls until probe() is true, or fails with what.
void wait_for(const std::function<bool()>& probe, const std::string& what) {
  DWORD start = GetTickCount();
  while (!probe()) {
    if (GetTickCount() - start > g_timeout_ms) fail("timed out waiting for " + what);
    Sleep(20);
  }
}

HWND tray_window() { return FindWindowA(vtr::win::kTrayWindowClass, vtr::win::kTrayWindowCaption); }

HWND need_tray() {
  HWND hwnd = nullptr;
  wait_for([&] { return (hwnd = tray_window()) != nullptr; }, "the tray window");
  return hwnd;
}

int process_count(const char* exe) {
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return 0;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  int found = 0;
  for (BOOL more = Process32First(snap, &entry); more; more = Process32Next(snap, &entry))
    if (_stricmp(entry.szExeFile, exe) == 0) ++found;
  CloseHandle(snap);
  return found;
}

bool process_running(const char* exe) { return process_count(exe) > 0; }

// The program file of the parent of a new copy of exe (one not running
// when this began), looked up as soon as that copy is seen (every 2 ms).
std::string parent_of_new(const char* exe) {
  auto snapshot = [] {
    std::vector<PROCESSENTRY32> all;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) fail("no process snapshot");
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snap, &entry); more; more = Process32Next(snap, &entry)) all.push_back(entry);
    CloseHandle(snap);
    return all;
  };
  std::vector<DWORD> before;
  for (const auto& process : snapshot())
    if (_stricmp(process.szExeFile, exe) == 0) before.push_back(process.th32ProcessID);
  DWORD start = GetTickCount();
  for (;;) {
    std::vector<PROCESSENTRY32> all = snapshot();
    for (const auto& process : all) {
      if (_stricmp(process.szExeFile, exe) != 0) continue;
      if (std::find(before.begin(), before.end(), process.th32ProcessID) != before.end()) continue;
      for (const auto& parent : all)
        if (parent.th32ProcessID == process.th32ParentProcessID) return parent.szExeFile;
      return "<ended>";
    }
    if (GetTickCount() - start > g_timeout_ms) fail(std::string("timed out waiting for a new ") + exe);
    Sleep(2);
  }
}

BOOL CALLBACK count_tray_window(HWND hwnd, LPARAM out) {
  char cls[64] = "", title[64] = "";
  GetClassNameA(hwnd, cls, sizeof cls);
  GetWindowTextA(hwnd, title, sizeof title);
  if (std::strcmp(cls, vtr::win::kTrayWindowClass) == 0 && std::strcmp(title, vtr::win::kTrayWindowCaption) == 0)
    ++*reinterpret_cast<int*>(out);
  return TRUE;
}

int tray_window_count() {
  int found = 0;
  EnumWindows(count_tray_window, reinterpret_cast<LPARAM>(&found));
  return found;
}

LRESULT CALLBACK stubborn_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_CLOSE) return 0;  // a copy that hangs: it never closes
  return DefWindowProcA(hwnd, msg, wp, lp);
}

// The visible popup menu window, if one is shown.
// (Callbacks are named functions: the 32-bit build needs their stdcall.)
BOOL CALLBACK find_popup_menu(HWND hwnd, LPARAM out) {
  char cls[64] = "";
  GetClassNameA(hwnd, cls, sizeof cls);
  if (std::strcmp(cls, "#32768") == 0 && IsWindowVisible(hwnd)) {
    *reinterpret_cast<HWND*>(out) = hwnd;
    return FALSE;
  }
  return TRUE;
}

HWND popup_menu() {
  HWND found = nullptr;
  EnumWindows(find_popup_menu, reinterpret_cast<LPARAM>(&found));
  return found;
}

HWND need_menu() {
  HWND menu = nullptr;
  wait_for([&] { return (menu = popup_menu()) != nullptr; }, "the popup menu");
  return menu;
}

// The session's question is titled "Vantorel", the utility's own boxes "VtrSysTray".
HWND message_box() {
  HWND box = FindWindowA("#32770", "Vantorel");
  return box != nullptr ? box : FindWindowA("#32770", "VtrSysTray");
}

// Puts an access list (in SDDL) on the machine's Run key.
void set_run_key_access(const char* sddl) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", 0,
                    READ_CONTROL | WRITE_DAC, &key) != ERROR_SUCCESS)
    fail("the Run key does not open to change its access");
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor, nullptr))
    fail(std::string("no security descriptor from ") + sddl);
  LONG result = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor);
  LocalFree(descriptor);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS) fail("RegSetKeySecurity answered " + std::to_string(result));
}

BOOL CALLBACK collect_about_box(HWND hwnd, LPARAM out) {
  char title[64] = "";
  GetWindowTextA(hwnd, title, sizeof title);
  if (std::strcmp(title, "About Vantorel") == 0 && IsWindowVisible(hwnd))
    reinterpret_cast<std::vector<HWND>*>(out)->push_back(hwnd);
  return TRUE;
}

std::vector<HWND> about_boxes() {
  std::vector<HWND> found;
  EnumWindows(collect_about_box, reinterpret_cast<LPARAM>(&found));
  return found;
}

HWND need_about() {
  std::vector<HWND> boxes;
  wait_for([&] { return !(boxes = about_boxes()).empty(); }, "the About box");
  return boxes.front();
}

std::string window_text(HWND hwnd) {
  char text[1024] = "";
  // WM_GETTEXT is carried across processes; GetWindowText of another
  // process's control would not ask the control.
  SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000,
                      nullptr);
  return text;
}

// "L T W H" of a window on the screen.
std::string rect_of(HWND hwnd) {
  RECT rc;
  GetWindowRect(hwnd, &rc);
  return std::to_string(rc.left) + " " + std::to_string(rc.top) + " " + std::to_string(rc.right - rc.left) + " " +
         std::to_string(rc.bottom - rc.top);
}

std::string class_of(HWND hwnd) {
  char cls[64] = "";
  GetClassNameA(hwnd, cls, sizeof cls);
  return cls;
}

BOOL CALLBACK collect_child(HWND hwnd, LPARAM out) {
  reinterpret_cast<std::vector<HWND>*>(out)->push_back(hwnd);
  return TRUE;
}

std::vector<HWND> children(HWND parent) {
  std::vector<HWND> found;
  EnumChildWindows(parent, collect_child, reinterpret_cast<LPARAM>(&found));
  return found;
}

// The About box's link labels, in their order on the screen.
std::vector<HWND> links(HWND about) {
  std::vector<HWND> found;
  for (HWND child : children(about))
    if (window_text(child).rfind("http://", 0) == 0) found.push_back(child);
  if (found.size() != 2) fail("the About box shows " + std::to_string(found.size()) + " links, not 2");
  RECT a, b;
  GetWindowRect(found[0], &a);
  GetWindowRect(found[1], &b);
  if (b.top < a.top) std::swap(found[0], found[1]);
  return found;
}

// Wine's notification area: its tray window holds one child window per
// icon, and one tooltip window of the shell's shows the tip of the icon
// under the pointer, as a user sees it.
BOOL CALLBACK collect_shell_icon(HWND hwnd, LPARAM out) {
  if (class_of(hwnd) == "__winex11_tray_icon" && IsWindowVisible(hwnd))
    reinterpret_cast<std::vector<HWND>*>(out)->push_back(hwnd);
  return TRUE;
}

BOOL CALLBACK collect_shell_icons(HWND hwnd, LPARAM out) {
  collect_shell_icon(hwnd, out);
  EnumChildWindows(hwnd, collect_shell_icon, out);
  return TRUE;
}

HWND shell_icon_window() {
  std::vector<HWND> icons;
  wait_for(
      [&] {
        icons.clear();
        EnumWindows(collect_shell_icons, reinterpret_cast<LPARAM>(&icons));
        return icons.size() == 1;
      },
      "exactly one icon in the shell's notification area");
  return icons.front();
}

BOOL CALLBACK find_shell_tooltip(HWND hwnd, LPARAM out) {
  if (_stricmp(class_of(hwnd).c_str(), "tooltips_class32") == 0 && IsWindowVisible(hwnd)) {
    *reinterpret_cast<HWND*>(out) = hwnd;
    return FALSE;
  }
  return TRUE;
}

HWND shown_tooltip() {
  HWND found = nullptr;
  EnumWindows(find_shell_tooltip, reinterpret_cast<LPARAM>(&found));
  return found;
}

// The tip that the shell shows for the icon. The pointer's arrival is also
// the icon's callback, which makes the utility update its tip: so the pointer
// comes twice, and the second showing carries the update.
std::string shell_tip() {
  HWND icon = shell_icon_window();
  RECT rc;
  auto away = [&] {
    GetWindowRect(icon, &rc);
    SetCursorPos(rc.right + 300, rc.bottom + 300);
  };
  auto onto = [&] {
    GetWindowRect(icon, &rc);  // fresh: the shell may still be placing a new icon
    SetCursorPos((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
  };
  HWND tip = nullptr;
  for (int pass = 0; pass < 2; ++pass) {
    away();
    wait_for([] { return shown_tooltip() == nullptr; }, "the shell's tooltip to go");
    // A tip shows only after the shell has seen the pointer arrive; on a
    // loaded machine an arrival can go unseen, so it comes again each second.
    DWORD arrived = 0;
    wait_for(
        [&] {
          if (arrived == 0 || GetTickCount() - arrived > 1000) {
            if (arrived != 0) {
              away();
              Sleep(50);
            }
            onto();
            arrived = GetTickCount();
          }
          return (tip = shown_tooltip()) != nullptr;
        },
        "the shell's tooltip for the icon");
    Sleep(200);
  }
  return window_text(tip);
}

// Whether the shell knows the icon: modifying nothing succeeds only for an
// icon it holds.
bool shell_has_icon(HWND tray) {
  NOTIFYICONDATAA probe{};
  probe.cbSize = NOTIFYICONDATAA_V1_SIZE;
  probe.hWnd = tray;
  probe.uID = 1;
  probe.uFlags = 0;
  return Shell_NotifyIconA(NIM_MODIFY, &probe) != FALSE;
}

void post_key(HWND target, UINT vk) {
  PostMessageA(target, WM_KEYDOWN, vk, 1);
  PostMessageA(target, WM_KEYUP, vk, 0xC0000001);
}

// The pointer's shape with the pointer at a point of the screen: set by the
// window under it, as the pointer really moves there. Cursor handles are not
// comparable across processes, but two shapes of the same process are.
HCURSOR cursor_at(POINT at) {
  SetCursorPos(at.x, at.y);
  CURSORINFO info{};
  info.cbSize = sizeof info;
  HCURSOR last = nullptr;
  for (int i = 0; i < 25; ++i) {
    Sleep(20);
    GetCursorInfo(&info);
    if (i > 3 && info.hCursor == last) break;
    last = info.hCursor;
  }
  return info.hCursor;
}

POINT centre_of(HWND hwnd) {
  RECT rc;
  GetWindowRect(hwnd, &rc);
  return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

int command(std::vector<std::string>& args, size_t& i) {
  const std::string cmd = args[i++];
  auto arg = [&]() -> std::string {
    if (i >= args.size()) fail("command " + cmd + " needs an argument");
    return args[i++];
  };

  if (cmd == "find") {
    std::printf("window %p\n", static_cast<void*>(need_tray()));
  } else if (cmd == "gone") {
    wait_for([] { return tray_window() == nullptr && !process_running("VtrSysTray.exe"); },
             "the utility to end");
    std::printf("gone\n");
  } else if (cmd == "post") {
    LPARAM code = std::strtol(arg().c_str(), nullptr, 0);
    if (!PostMessageA(need_tray(), WM_MOUSEMOVE, 1, code)) fail("posting the callback");
  } else if (cmd == "close") {
    PostMessageA(need_tray(), WM_CLOSE, 0, 0);
  } else if (cmd == "tip") {
    std::printf("tip \"%s\"\n", shell_tip().c_str());
  } else if (cmd == "icon-present") {
    HWND tray = need_tray();
    wait_for([&] { return shell_has_icon(tray); }, "the shell to show the icon");
    std::printf("icon present\n");
  } else if (cmd == "icon-absent") {
    HWND tray = need_tray();
    if (shell_has_icon(tray)) fail("the shell still has the icon");
    std::printf("icon absent\n");
  } else if (cmd == "icon-absent-for") {
    HWND gone = reinterpret_cast<HWND>(static_cast<uintptr_t>(std::strtoull(arg().c_str(), nullptr, 16)));
    if (shell_has_icon(gone)) fail("the shell still has the icon of the closed utility");
    std::printf("icon absent\n");
  } else if (cmd == "drop-icon") {
    NOTIFYICONDATAA nid{};
    nid.cbSize = NOTIFYICONDATAA_V1_SIZE;
    nid.hWnd = need_tray();
    nid.uID = 1;
    if (!Shell_NotifyIconA(NIM_DELETE, &nid)) fail("the shell had no icon to drop");
  } else if (cmd == "taskbar-created") {
    SendNotifyMessageA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
  } else if (cmd == "menu") {
    HWND menu = need_menu();
    RECT rc;
    // The menu window grows to its final size as it is shown; let it settle.
    Sleep(50);
    GetWindowRect(menu, &rc);
    std::printf("menu %ld\n", rc.bottom - rc.top);
    std::printf("menu rect %s\n", rect_of(menu).c_str());
  } else if (cmd == "key") {
    std::string key = arg();
    PostMessageA(need_menu(), WM_CHAR, static_cast<unsigned char>(key[0]), 1);
  } else if (cmd == "esc") {
    post_key(need_menu(), VK_ESCAPE);
  } else if (cmd == "menu-gone") {
    wait_for([] { return popup_menu() == nullptr; }, "the popup menu to close");
  } else if (cmd == "msgbox") {
    HWND box = nullptr;
    wait_for([&] { return (box = message_box()) != nullptr && IsWindowVisible(box); }, "the message box");
    std::string text;
    std::string buttons;
    for (HWND child : children(box)) {
      if (!IsWindowVisible(child)) continue;
      std::string cls = class_of(child);
      std::string t = window_text(child);
      if (_stricmp(cls.c_str(), "Button") == 0)
        buttons += (buttons.empty() ? "" : ",") + t;
      else if (_stricmp(cls.c_str(), "Static") == 0 && !t.empty())
        text += t;
    }
    for (char& c : text)
      if (c == '\r') c = '|';
      else if (c == '\n') c = '/';
    std::printf("msgbox text \"%s\" buttons %s\n", text.c_str(), buttons.c_str());
    std::string def = "none";
    for (HWND child : children(box))
      if (_stricmp(class_of(child).c_str(), "Button") == 0 &&
          (GetWindowLongA(child, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
        def = window_text(child);
    std::printf("msgbox default %s\n", def.c_str());
    std::printf("msgbox rect %s\n", rect_of(box).c_str());
    // Where a user would see it: in front, over other windows, owned by the tray window.
    std::printf("msgbox front %s topmost %s owner %s\n", GetForegroundWindow() == box ? "yes" : "no",
                (GetWindowLongA(box, GWL_EXSTYLE) & WS_EX_TOPMOST) ? "yes" : "no",
                GetWindow(box, GW_OWNER) == tray_window() ? "tray" : "other");
  } else if (cmd == "answer") {
    std::string which = arg();
    HWND box = message_box();
    if (!box) fail("no message box to answer");
    int id = which == "yes" ? IDYES : which == "ok" ? IDOK : IDNO;
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
    // That box is gone before the next command looks (another may follow it).
    wait_for([&] { return !IsWindow(box); }, "the answered message box to close");
  } else if (cmd == "parent") {
    std::printf("parent %s\n", parent_of_new("VtrSysTray.exe").c_str());
  } else if (cmd == "deny-run") {
    // Denied first: a deny entry wins over the allow that follows it.
    set_run_key_access("D:P(D;;0x2;;;WD)(A;;KA;;;WD)");  // 0x2 is KEY_SET_VALUE
  } else if (cmd == "allow-run") {
    set_run_key_access("D:P(A;;KA;;;WD)");
  } else if (cmd == "msgbox-gone") {
    wait_for([] { return message_box() == nullptr; }, "the message box to close");
  } else if (cmd == "about") {
    HWND about = need_about();
    Sleep(50);
    std::vector<HWND> kids = children(about);
    for (HWND child : kids) {
      std::string t = window_text(child);
      for (char& c : t)
        if (c == '\r' || c == '\n') c = ' ';
      RECT rc;
      GetWindowRect(child, &rc);
      MapWindowPoints(nullptr, about, reinterpret_cast<POINT*>(&rc), 2);
      std::printf("control %s %ld,%ld %ldx%ld \"%s\"\n", class_of(child).c_str(), rc.left, rc.top,
                  rc.right - rc.left, rc.bottom - rc.top, t.c_str());
    }
    RECT client;
    GetClientRect(about, &client);
    std::printf("about client %ldx%ld\n", client.right, client.bottom);
    std::printf("about rect %s\n", rect_of(about).c_str());
  } else if (cmd == "about-count") {
    size_t want = std::strtoul(arg().c_str(), nullptr, 10);
    Sleep(100);
    size_t have = about_boxes().size();
    if (have != want) fail(std::to_string(have) + " About boxes open, expected " + std::to_string(want));
  } else if (cmd == "about-front") {
    HWND about = need_about();
    wait_for([&] { return GetForegroundWindow() == about; }, "the About box to come to the front");
  } else if (cmd == "link") {
    int n = std::atoi(arg().c_str());
    HWND link = links(need_about())[n == 2 ? 1 : 0];
    PostMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    PostMessageA(link, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
  } else if (cmd == "hand") {
    // Compares the shape over each control with the shape over a blank
    // spot of the box (below the links, right of the warning text).
    HWND about = need_about();
    RECT client;
    GetClientRect(about, &client);
    POINT blank{client.right - 30, client.bottom - 50};
    ClientToScreen(about, &blank);
    HCURSOR plain = cursor_at(blank);
    for (HWND child : children(about)) {
      std::string t = window_text(child);
      if (t.empty()) continue;
      std::printf("hand %s \"%s\"\n", cursor_at(centre_of(child)) != plain ? "yes" : "no", t.c_str());
    }
    std::printf("hand %s blank\n", cursor_at(blank) != plain ? "yes" : "no");
  } else if (cmd == "about-key") {
    std::string key = arg();
    HWND about = need_about();
    HWND focus = GetDlgItem(about, IDOK);
    post_key(focus ? focus : about, key == "esc" ? VK_ESCAPE : VK_RETURN);
  } else if (cmd == "about-gone") {
    wait_for([] { return about_boxes().empty(); }, "the About box to close");
  } else if (cmd == "running") {
    int want = std::atoi(arg().c_str());
    int processes = 0, windows = 0;
    wait_for(
        [&] {
          processes = process_count("VtrSysTray.exe");
          windows = tray_window_count();
          return processes == want && windows == want;
        },
        std::to_string(want) + " running copies (" + std::to_string(processes) + " processes, " +
            std::to_string(windows) + " tray windows)");
    std::printf("running %d\n", want);
  } else if (cmd == "hold") {
    std::string file = arg();
    HANDLE h = CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) fail("opening " + file);
    std::printf("held\n");
    std::fflush(stdout);
    while (std::fgetc(stdin) != EOF) {
    }
    CloseHandle(h);
  } else if (cmd == "stubborn") {
    WNDCLASSA wc{};
    wc.lpfnWndProc = stubborn_proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = vtr::win::kTrayWindowClass;
    RegisterClassA(&wc);
    if (!CreateWindowExA(WS_EX_TOOLWINDOW, vtr::win::kTrayWindowClass, vtr::win::kTrayWindowCaption, WS_POPUP, 0,
                         0, 0, 0, nullptr, nullptr, wc.hInstance, nullptr))
      fail("creating the stubborn window");
    std::printf("stubborn\n");
    std::fflush(stdout);
    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) DispatchMessageA(&m);
  } else if (cmd == "pointer") {
    int x = std::atoi(arg().c_str());
    int y = std::atoi(arg().c_str());
    SetCursorPos(x, y);
  } else {
    fail("unknown command " + cmd);
  }
  std::fflush(stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (const char* t = std::getenv("VTR_E2E_TIMEOUT_MS")) g_timeout_ms = std::strtoul(t, nullptr, 10);
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) fail("no command (see the comment at the top of vtrdriver.cpp)");
  for (size_t i = 0; i < args.size();) command(args, i);
  return 0;
}
