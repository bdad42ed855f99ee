// vtrdriver: plays the Windows shell and the user against a running
// VtrSysTray.exe, for the end-to-end scenarios (scenarios.sh and
// ../package/package_scenarios.sh).
//
// Usage: vtrdriver VERB [ARG]... [VERB [ARG]...]...
// The verbs are the table kVerbs below (`vtrdriver` alone lists them). They
// run in order; the first that fails prints "FAIL: ..." on standard error and
// the driver exits with 1. Waits poll every 20 ms up to their limit
// (VTR_E2E_TIMEOUT_MS, default 10000).
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

using Args = std::vector<std::string>;
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

// ---- Windows and processes ----------------------------------------------------------------

std::string class_of(HWND hwnd) {
  char text[64] = "";
  GetClassNameA(hwnd, text, sizeof text);
  return text;
}

std::string title_of(HWND hwnd) {
  char text[64] = "";
  GetWindowTextA(hwnd, text, sizeof text);
  return text;
}

// Waits for find() to give a window, and gives it.
HWND need(HWND (*find)(), const char* what) {
  HWND hwnd = nullptr;
  wait_for([&] { return (hwnd = find()) != nullptr; }, what);
  return hwnd;
}

// (Callbacks are named functions: the 32-bit build needs their stdcall.)
BOOL CALLBACK collect(HWND hwnd, LPARAM out) {
  reinterpret_cast<std::vector<HWND>*>(out)->push_back(hwnd);
  return TRUE;
}

std::vector<HWND> children(HWND parent) {
  std::vector<HWND> found;
  EnumChildWindows(parent, collect, reinterpret_cast<LPARAM>(&found));
  return found;
}

// The top-level windows (and, with deep, their descendants) that pass keep.
std::vector<HWND> windows_where(const std::function<bool(HWND)>& keep, bool deep = false) {
  std::vector<HWND> top, found;
  EnumWindows(collect, reinterpret_cast<LPARAM>(&top));
  for (HWND hwnd : top) {
    if (keep(hwnd)) found.push_back(hwnd);
    if (deep)
      for (HWND child : children(hwnd))
        if (keep(child)) found.push_back(child);
  }
  return found;
}

// The first visible top-level window of that class (any case), or null.
HWND shown_of_class(const char* cls) {
  const auto found =
      windows_where([&](HWND w) { return IsWindowVisible(w) && _stricmp(class_of(w).c_str(), cls) == 0; });
  return found.empty() ? nullptr : found.front();
}

HWND tray_window() { return FindWindowA(vtr::win::kTrayWindowClass, vtr::win::kTrayWindowCaption); }

HWND need_tray() { return need(tray_window, "the tray window"); }

int tray_window_count() {
  return static_cast<int>(windows_where([](HWND w) {
                            return class_of(w) == vtr::win::kTrayWindowClass &&
                                   title_of(w) == vtr::win::kTrayWindowCaption;
                          }).size());
}

std::vector<PROCESSENTRY32> processes() {
  std::vector<PROCESSENTRY32> all;
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) fail("no process snapshot");
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snap, &entry); more; more = Process32Next(snap, &entry)) all.push_back(entry);
  CloseHandle(snap);
  return all;
}

int process_count(const char* exe) {
  const auto all = processes();
  return static_cast<int>(std::count_if(all.begin(), all.end(), [&](const PROCESSENTRY32& p) {
    return _stricmp(p.szExeFile, exe) == 0;
  }));
}

// The program file of the parent of a new copy of exe (one not running
// when this began), looked up as soon as that copy is seen (every 2 ms).
std::string parent_of_new(const char* exe) {
  std::vector<DWORD> before;
  for (const auto& process : processes())
    if (_stricmp(process.szExeFile, exe) == 0) before.push_back(process.th32ProcessID);
  DWORD start = GetTickCount();
  for (;;) {
    std::vector<PROCESSENTRY32> all = processes();
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

LRESULT CALLBACK stubborn_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_CLOSE) return 0;  // a copy that hangs: it never closes
  return DefWindowProcA(hwnd, msg, wp, lp);
}

HWND popup_menu() { return shown_of_class("#32768"); }

HWND need_menu() { return need(popup_menu, "the popup menu"); }

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

std::vector<HWND> about_boxes() {
  return windows_where([](HWND w) { return title_of(w) == "About Vantorel" && IsWindowVisible(w); });
}

HWND need_about() {
  return need([] { return about_boxes().empty() ? nullptr : about_boxes().front(); }, "the About box");
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
HWND shell_icon_window() {
  std::vector<HWND> icons;
  wait_for(
      [&] {
        icons = windows_where([](HWND w) { return class_of(w) == "__winex11_tray_icon" && IsWindowVisible(w); },
                              true);
        return icons.size() == 1;
      },
      "exactly one icon in the shell's notification area");
  return icons.front();
}

HWND shown_tooltip() { return shown_of_class("tooltips_class32"); }

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

// The tray window's icon, as the shell knows it.
NOTIFYICONDATAA icon_of(HWND tray) {
  NOTIFYICONDATAA icon{};
  icon.cbSize = NOTIFYICONDATAA_V1_SIZE;
  icon.hWnd = tray;
  icon.uID = 1;
  return icon;
}

// Whether the shell knows the icon: modifying nothing succeeds only for an
// icon it holds.
bool shell_has_icon(HWND tray) {
  NOTIFYICONDATAA probe = icon_of(tray);
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

// ---- The verbs ----------------------------------------------------------------------------

void print_message_box() {
  HWND box = nullptr;
  wait_for([&] { return (box = message_box()) != nullptr && IsWindowVisible(box); }, "the message box");
  std::string text, buttons, def = "none";
  for (HWND child : children(box)) {
    std::string cls = class_of(child), t = window_text(child);
    bool button = _stricmp(cls.c_str(), "Button") == 0;
    if (button && (GetWindowLongA(child, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) def = t;
    if (!IsWindowVisible(child)) continue;
    if (button)
      buttons += (buttons.empty() ? "" : ",") + t;
    else if (_stricmp(cls.c_str(), "Static") == 0 && !t.empty())
      text += t;
  }
  for (char& c : text)
    if (c == '\r') c = '|';
    else if (c == '\n') c = '/';
  std::printf("msgbox text \"%s\" buttons %s\n", text.c_str(), buttons.c_str());
  std::printf("msgbox default %s\n", def.c_str());
  std::printf("msgbox rect %s\n", rect_of(box).c_str());
  // Where a user would see it: in front, over other windows, owned by the tray window.
  std::printf("msgbox front %s topmost %s owner %s\n", GetForegroundWindow() == box ? "yes" : "no",
              (GetWindowLongA(box, GWL_EXSTYLE) & WS_EX_TOPMOST) ? "yes" : "no",
              GetWindow(box, GW_OWNER) == tray_window() ? "tray" : "other");
}

void print_about_box() {
  HWND about = need_about();
  Sleep(50);
  for (HWND child : children(about)) {
    std::string t = window_text(child);
    for (char& c : t)
      if (c == '\r' || c == '\n') c = ' ';
    RECT rc;
    GetWindowRect(child, &rc);
    MapWindowPoints(nullptr, about, reinterpret_cast<POINT*>(&rc), 2);
    std::printf("control %s %ld,%ld %ldx%ld \"%s\"\n", class_of(child).c_str(), rc.left, rc.top, rc.right - rc.left,
                rc.bottom - rc.top, t.c_str());
  }
  RECT client;
  GetClientRect(about, &client);
  std::printf("about client %ldx%ld\n", client.right, client.bottom);
  std::printf("about rect %s\n", rect_of(about).c_str());
}

// Compares the shape over each text of the About box with the shape over a
// blank spot of the box (below the links, right of the warning text).
void print_hands() {
  HWND about = need_about();
  RECT client;
  GetClientRect(about, &client);
  POINT blank{client.right - 30, client.bottom - 50};
  ClientToScreen(about, &blank);
  HCURSOR plain = cursor_at(blank);
  for (HWND child : children(about)) {
    std::string t = window_text(child);
    if (t.empty()) continue;
    RECT rc;
    GetWindowRect(child, &rc);
    POINT centre{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    std::printf("hand %s \"%s\"\n", cursor_at(centre) != plain ? "yes" : "no", t.c_str());
  }
  std::printf("hand %s blank\n", cursor_at(blank) != plain ? "yes" : "no");
}

void play_stubborn_copy() {
  WNDCLASSA wc{};
  wc.lpfnWndProc = stubborn_proc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = vtr::win::kTrayWindowClass;
  RegisterClassA(&wc);
  if (!CreateWindowExA(WS_EX_TOOLWINDOW, vtr::win::kTrayWindowClass, vtr::win::kTrayWindowCaption, WS_POPUP, 0, 0,
                       0, 0, nullptr, nullptr, wc.hInstance, nullptr))
    fail("creating the stubborn window");
  std::printf("stubborn\n");
  std::fflush(stdout);
  MSG m;
  while (GetMessageA(&m, nullptr, 0, 0) > 0) DispatchMessageA(&m);
}

struct Verb {
  const char* name;
  size_t args;
  const char* help;  // its arguments, and what it does
  void (*run)(const Args& a);
};

const Verb kVerbs[] = {
    {"find", 0, "wait for the hidden tray window", [](const Args&) {
       std::printf("window %p\n", static_cast<void*>(need_tray()));
     }},
    {"gone", 0, "wait until no tray window and no VtrSysTray.exe remain", [](const Args&) {
       wait_for([] { return tray_window() == nullptr && process_count("VtrSysTray.exe") == 0; }, "the utility to end");
       std::printf("gone\n");
     }},
    {"post", 1, "CODE: post the icon's callback (0x200, uID 1, CODE) as the shell does", [](const Args& a) {
       if (!PostMessageA(need_tray(), WM_MOUSEMOVE, 1, std::strtol(a[0].c_str(), nullptr, 0)))
         fail("posting the callback");
     }},
    {"close", 0, "post WM_CLOSE to the tray window", [](const Args&) { PostMessageA(need_tray(), WM_CLOSE, 0, 0); }},
    {"tip", 0, "point at the icon (twice) and print the tip the shell shows: tip \"<text>\"",
     [](const Args&) { std::printf("tip \"%s\"\n", shell_tip().c_str()); }},
    {"icon-present", 0, "the shell knows the icon (a NIM_MODIFY probe succeeds)", [](const Args&) {
       HWND tray = need_tray();
       wait_for([&] { return shell_has_icon(tray); }, "the shell to show the icon");
       std::printf("icon present\n");
     }},
    {"icon-absent", 0, "the shell does not know it", [](const Args&) {
       if (shell_has_icon(need_tray())) fail("the shell still has the icon");
       std::printf("icon absent\n");
     }},
    {"icon-absent-for", 1, "HWND: the shell knows no icon of that (closed) window", [](const Args& a) {
       if (shell_has_icon(reinterpret_cast<HWND>(static_cast<uintptr_t>(std::strtoull(a[0].c_str(), nullptr, 16)))))
         fail("the shell still has the icon of the closed utility");
       std::printf("icon absent\n");
     }},
    {"drop-icon", 0, "delete the icon from the shell, as a restarting Explorer loses it", [](const Args&) {
       NOTIFYICONDATAA icon = icon_of(need_tray());
       if (!Shell_NotifyIconA(NIM_DELETE, &icon)) fail("the shell had no icon to drop");
     }},
    {"taskbar-created", 0, "broadcast \"TaskbarCreated\"",
     [](const Args&) { SendNotifyMessageA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0); }},
    {"menu", 0, "wait for the popup menu; print its height in pixels and its rectangle", [](const Args&) {
       HWND menu = need_menu();
       RECT rc;
       Sleep(50);  // the menu window grows to its final size as it is shown; let it settle
       GetWindowRect(menu, &rc);
       std::printf("menu %ld\n", rc.bottom - rc.top);
       std::printf("menu rect %s\n", rect_of(menu).c_str());
     }},
    {"key", 1, "C: type character C into the open popup menu", [](const Args& a) {
       PostMessageA(need_menu(), WM_CHAR, static_cast<unsigned char>(a[0][0]), 1);
     }},
    {"esc", 0, "press Esc in the open popup menu", [](const Args&) { post_key(need_menu(), VK_ESCAPE); }},
    {"menu-gone", 0, "wait until no popup menu is shown",
     [](const Args&) { wait_for([] { return popup_menu() == nullptr; }, "the popup menu to close"); }},
    {"msgbox", 0, "wait for the message box titled \"Vantorel\" or \"VtrSysTray\"; print its text, buttons, place",
     [](const Args&) { print_message_box(); }},
    {"answer", 1, "yes|no|ok: press Yes, No or OK in it", [](const Args& a) {
       HWND box = message_box();
       if (!box) fail("no message box to answer");
       int id = a[0] == "yes" ? IDYES : a[0] == "ok" ? IDOK : IDNO;
       PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
       // That box is gone before the next verb looks (another may follow it).
       wait_for([&] { return !IsWindow(box); }, "the answered message box to close");
     }},
    {"msgbox-gone", 0, "wait until it is gone",
     [](const Args&) { wait_for([] { return message_box() == nullptr; }, "the message box to close"); }},
    {"about", 0, "wait for the About box; print its controls, client size and rectangle",
     [](const Args&) { print_about_box(); }},
    {"about-count", 1, "N: exactly N About boxes are open", [](const Args& a) {
       size_t want = std::strtoul(a[0].c_str(), nullptr, 10);
       Sleep(100);
       size_t have = about_boxes().size();
       if (have != want) fail(std::to_string(have) + " About boxes open, expected " + std::to_string(want));
     }},
    {"about-front", 0, "the About box is the foreground window", [](const Args&) {
       HWND about = need_about();
       wait_for([&] { return GetForegroundWindow() == about; }, "the About box to come to the front");
     }},
    {"link", 1, "1|2: click the first or second link label", [](const Args& a) {
       HWND link = links(need_about())[std::atoi(a[0].c_str()) == 2 ? 1 : 0];
       PostMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
       PostMessageA(link, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
     }},
    {"hand", 0, "print for each text of the About box whether the pointer there differs from a blank spot's",
     [](const Args&) { print_hands(); }},
    {"about-key", 1, "enter|esc: press Enter or Esc in the About box", [](const Args& a) {
       HWND about = need_about();
       HWND focus = GetDlgItem(about, IDOK);
       post_key(focus ? focus : about, a[0] == "esc" ? VK_ESCAPE : VK_RETURN);
     }},
    {"about-gone", 0, "wait until no About box is open",
     [](const Args&) { wait_for([] { return about_boxes().empty(); }, "the About box to close"); }},
    {"pointer", 2, "X Y: move the pointer to X,Y on the screen (where the popup menu opens)",
     [](const Args& a) { SetCursorPos(std::atoi(a[0].c_str()), std::atoi(a[1].c_str())); }},
    {"running", 1, "N: wait until exactly N copies of the utility run, each with its tray window", [](const Args& a) {
       int want = std::atoi(a[0].c_str()), processes = 0, windows = 0;
       wait_for(
           [&] {
             processes = process_count("VtrSysTray.exe");
             windows = tray_window_count();
             return processes == want && windows == want;
           },
           std::to_string(want) + " running copies (" + std::to_string(processes) + " processes, " +
               std::to_string(windows) + " tray windows)");
       std::printf("running %d\n", want);
     }},
    {"hold", 1, "FILE: open FILE sharing nothing, print \"held\", keep it open until standard input ends",
     [](const Args& a) {
       HANDLE h = CreateFileA(a[0].c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
       if (h == INVALID_HANDLE_VALUE) fail("opening " + a[0]);
       std::printf("held\n");
       std::fflush(stdout);
       while (std::fgetc(stdin) != EOF) {
       }
       CloseHandle(h);
     }},
    {"stubborn", 0, "play a copy of the utility that ignores WM_CLOSE, until it is ended",
     [](const Args&) { play_stubborn_copy(); }},
    // Started before the copy is, it sees a parent that ends soon after
    // starting it (Wine's explorer.exe does).
    {"parent", 0, "wait for a new copy of the utility; print its parent's program file: parent <name>|<ended>",
     [](const Args&) { std::printf("parent %s\n", parent_of_new("VtrSysTray.exe").c_str()); }},
    // Denied first: a deny entry wins over the allow that follows it (0x2 is KEY_SET_VALUE).
    {"deny-run", 0, "refuse KEY_SET_VALUE on the machine's Run key to everyone, as to a user without rights",
     [](const Args&) { set_run_key_access("D:P(D;;0x2;;;WD)(A;;KA;;;WD)"); }},
    {"allow-run", 0, "give the Run key full access for everyone again",
     [](const Args&) { set_run_key_access("D:P(A;;KA;;;WD)"); }},
};

}  // namespace

int main(int argc, char** argv) {
  if (const char* t = std::getenv("VTR_E2E_TIMEOUT_MS")) g_timeout_ms = std::strtoul(t, nullptr, 10);
  const Args args(argv + 1, argv + argc);
  if (args.empty()) {
    for (const Verb& verb : kVerbs) std::fprintf(stderr, "  %-16s %s\n", verb.name, verb.help);
    fail("no verb");
  }
  for (size_t i = 0; i < args.size();) {
    const auto verb = std::find_if(std::begin(kVerbs), std::end(kVerbs),
                                   [&](const Verb& v) { return args[i] == v.name; });
    if (verb == std::end(kVerbs)) fail("unknown command " + args[i]);
    if (args.size() - i - 1 < verb->args) fail("command " + args[i] + " needs an argument");
    verb->run(Args(args.begin() + i + 1, args.begin() + i + 1 + verb->args));
    std::fflush(stdout);
    i += 1 + verb->args;
  }
  return 0;
}
