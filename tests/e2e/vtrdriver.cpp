// vtrdriver: plays the Windows shell and the user against a running
// VtrSysTray.exe, for the end-to-end scenarios (scenarios.sh and
// ../package/package_scenarios.sh).
//
// Usage: vtrdriver VERB [ARG]... [VERB [ARG]...]...
// The verbs are the table kVerbs below (`vtrdriver` alone lists them). They
// run in order; the first that fails prints "FAIL: ..." on standard error and
// the driver exits with 1. Waits poll every 20 ms up to their limit
// (VTR_E2E_TIMEOUT_MS, default 60000: a loaded machine needs time, and only a
// failing wait ever spends it).
#include <windows.h>
#include <sddl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tray/TrayTexts.h"

namespace {

using Args = std::vector<std::string>;
DWORD g_timeout_ms = 60000;

[[noreturn]] void fail(const std::string& what) {
  std::fprintf(stderr, "FAIL: %s\n", what.c_str());
  std::exit(1);  // (which flushes what was printed before)
}

// Polls until probe() is true, or fails with what.
void wait_for(const std::function<bool()>& probe, const std::string& what) {
  for (DWORD start = GetTickCount(); !probe(); Sleep(20))
    if (GetTickCount() - start > g_timeout_ms) fail("timed out waiting for " + what);
}

// ---- Windows and processes ----------------------------------------------------------------

// A window's title, or with GetClassNameA its class.
std::string text_of(HWND hwnd, int(WINAPI* get)(HWND, LPSTR, int) = GetWindowTextA) {
  char text[64] = "";
  get(hwnd, text, sizeof text);
  return text;
}

bool is_class(HWND hwnd, const char* cls) { return _stricmp(text_of(hwnd, GetClassNameA).c_str(), cls) == 0; }

// (Callbacks are named functions: the 32-bit build needs their stdcall.)
BOOL CALLBACK collect(HWND hwnd, LPARAM out) {
  reinterpret_cast<std::vector<HWND>*>(out)->push_back(hwnd);
  return TRUE;
}

// The windows below parent, at any depth (of the desktop: every window).
std::vector<HWND> children(HWND parent) {
  std::vector<HWND> found;
  EnumChildWindows(parent, collect, reinterpret_cast<LPARAM>(&found));
  return found;
}

// The shown windows that pass keep, top-level or not, in the order of the
// top-level windows from the front.
std::vector<HWND> shown_where(const std::function<bool(HWND)>& keep) {
  std::vector<HWND> found;
  for (HWND hwnd : children(GetDesktopWindow()))
    if (IsWindowVisible(hwnd) && keep(hwnd)) found.push_back(hwnd);
  return found;
}

HWND first(const std::vector<HWND>& windows) { return windows.empty() ? nullptr : windows.front(); }

HWND shown_of_class(const char* cls) {
  return first(shown_where([&](HWND w) { return is_class(w, cls); }));
}

// Waits for find() to give a window, and gives it.
HWND need(const std::function<HWND()>& find, const char* what) {
  HWND hwnd = nullptr;
  wait_for([&] { return (hwnd = find()) != nullptr; }, what);
  return hwnd;
}

HWND tray_window() { return FindWindowA(kTrayWindowClass, kTrayWindowCaption); }
HWND need_tray() { return need(tray_window, "the tray window"); }
HWND popup_menu() { return shown_of_class("#32768"); }
HWND need_menu() { return need(popup_menu, "the popup menu"); }
HWND shown_tooltip() { return shown_of_class("tooltips_class32"); }

int tray_window_count() {
  int count = 0;
  for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, kTrayWindowClass, kTrayWindowCaption));)
    ++count;
  return count;
}

// The session's question is titled "Vantorel", the utility's own boxes "VtrSysTray".
HWND message_box() {
  HWND box = FindWindowA("#32770", "Vantorel");
  return box != nullptr ? box : FindWindowA("#32770", "VtrSysTray");
}

std::vector<HWND> about_boxes() {
  return shown_where([](HWND w) { return text_of(w) == "About Vantorel"; });
}

HWND need_about() { return need([] { return first(about_boxes()); }, "the About box"); }

std::vector<PROCESSENTRY32> processes(const char* exe) {
  std::vector<PROCESSENTRY32> found;
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) fail("no process snapshot");
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snap, &entry); more; more = Process32Next(snap, &entry))
    if (exe == nullptr || _stricmp(entry.szExeFile, exe) == 0) found.push_back(entry);
  CloseHandle(snap);
  return found;
}

// The program file of the parent of a new copy of exe (one not running
// when this began), from the processes seen while waiting (every 2 ms): a
// shell that starts the copy may end before the copy shows in a snapshot.
// Prints "watching" once it knows the copies already running.
std::string parent_of_new(const char* exe) {
  std::vector<DWORD> before;
  for (const auto& process : processes(exe)) before.push_back(process.th32ProcessID);
  std::map<DWORD, std::string> seen;
  std::printf("watching\n");
  std::fflush(stdout);
  for (DWORD start = GetTickCount(); GetTickCount() - start <= g_timeout_ms; Sleep(2)) {
    const auto all = processes(nullptr);
    for (const auto& process : all) seen[process.th32ProcessID] = process.szExeFile;
    for (const auto& process : all) {
      if (_stricmp(process.szExeFile, exe) != 0 ||
          std::find(before.begin(), before.end(), process.th32ProcessID) != before.end())
        continue;
      const auto parent = seen.find(process.th32ParentProcessID);
      return parent != seen.end() ? parent->second : "<ended>";
    }
  }
  fail(std::string("timed out waiting for a new ") + exe);
}

LRESULT CALLBACK stubborn_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_CLOSE) return 0;  // a copy that hangs: it never closes
  return DefWindowProcA(hwnd, msg, wp, lp);
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

// Sends a message to a window (of another process, too) and waits for its answer.
void send(HWND hwnd, UINT msg, WPARAM wp = 0, LPARAM lp = 0) {
  if (!SendMessageTimeoutA(hwnd, msg, wp, lp, SMTO_NORMAL, g_timeout_ms, nullptr))
    fail("no answer from window " + text_of(hwnd, GetClassNameA));
}

std::string window_text(HWND hwnd) {
  char text[1024] = "";
  // WM_GETTEXT is carried across processes; GetWindowText of another
  // process's control would not ask the control.
  send(hwnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return text;
}

RECT rect_of(HWND hwnd) {
  RECT rc;
  GetWindowRect(hwnd, &rc);
  return rc;
}

POINT centre_of(HWND hwnd) {
  RECT rc = rect_of(hwnd);
  return {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

// "L T W H" of a window on the screen.
std::string place_of(HWND hwnd) {
  RECT rc = rect_of(hwnd);
  return std::to_string(rc.left) + " " + std::to_string(rc.top) + " " + std::to_string(rc.right - rc.left) + " " +
         std::to_string(rc.bottom - rc.top);
}

// The About box's link labels, in their order on the screen.
std::vector<HWND> links(HWND about) {
  std::vector<HWND> found;
  for (HWND child : children(about))
    if (window_text(child).rfind("http://", 0) == 0) found.push_back(child);
  if (found.size() != 2) fail("the About box shows " + std::to_string(found.size()) + " links, not 2");
  if (rect_of(found[1]).top < rect_of(found[0]).top) std::swap(found[0], found[1]);
  return found;
}

// Wine's notification area: its tray window holds one child window per
// icon, and one tooltip window of the shell's shows the tip of the icon
// under the pointer, as a user sees it.
HWND shell_icon_window() {
  std::vector<HWND> icons;
  wait_for(
      [&] { return (icons = shown_where([](HWND w) { return is_class(w, "__winex11_tray_icon"); })).size() == 1; },
      "exactly one icon in the shell's notification area");
  return icons.front();
}

// The tip that the shell shows for the icon of tray. The pointer's arrival is
// also the icon's callback, which makes the utility update its tip: so the
// pointer comes twice, and the second showing carries the update.
std::string shell_tip(HWND tray) {
  HWND icon = shell_icon_window(), tip = nullptr;
  // Where the icon is now: the shell may still be placing a new icon.
  auto away = [&] { SetCursorPos(rect_of(icon).right + 300, rect_of(icon).bottom + 300); };
  for (int pass = 0; pass < 2; ++pass) {
    away();
    wait_for([] { return shown_tooltip() == nullptr; }, "the shell's tooltip to go");
    // The shell shows a tip once the pointer has rested on the icon for half
    // a second. A loaded machine can miss an arrival, so the pointer comes
    // again, each time after twice as long as before: coming back at a fixed
    // pace could keep a slow shell from ever finishing its half second.
    DWORD arrived = 0, patience = 1000;
    wait_for(
        [&] {
          if (arrived == 0 || GetTickCount() - arrived > patience) {
            if (arrived != 0) away(), patience *= 2;
            SetCursorPos(centre_of(icon).x, centre_of(icon).y);
            arrived = GetTickCount();
          }
          return (tip = shown_tooltip()) != nullptr;
        },
        "the shell's tooltip for the icon");
    // The shell sent the callback before it showed the tip; once the utility
    // has answered a message sent after it (they are handled in order), its
    // updated tip is with the shell.
    if (pass == 0) send(tray, WM_NULL);
  }
  return window_text(tip);
}

// Asks the shell about the tray window's icon (uID 1); NIM_MODIFY with
// nothing to modify succeeds only for an icon it holds.
bool shell_icon(HWND tray, DWORD message) {
  NOTIFYICONDATAA icon{};
  icon.cbSize = NOTIFYICONDATAA_V1_SIZE;
  icon.hWnd = tray;
  icon.uID = 1;
  return Shell_NotifyIconA(message, &icon) != FALSE;
}

// The shell, another process, has been seen to answer for the icon of a
// closed window a moment after the program ended, on a busy machine: the
// check waits for the icon to go, up to the deadline.
void no_icon_of(HWND tray) {
  wait_for([&] { return !shell_icon(tray, NIM_MODIFY); }, "the shell to lose the icon");
  std::printf("icon absent\n");
}

void post_key(HWND target, UINT vk) {
  PostMessageA(target, WM_KEYDOWN, vk, 1);
  PostMessageA(target, WM_KEYUP, vk, 0xC0000001);
}

// The pointer's shape with the pointer at a point of window's client area:
// set by the window under it, as the pointer really moves there. Cursor
// handles are not comparable across processes, but two shapes of the same
// process are.
//
// The X server tells the window's process of every move of the pointer, on
// its own time: on a loaded machine the report of an earlier position can
// arrive after a later move and put the pointer back there. So the pointer
// is put at the point until two readings in a row find it still there, with
// the same shape.
HCURSOR cursor_at(HWND window, POINT at) {
  std::optional<HCURSOR> before;  // the last reading, when it found the pointer there
  HCURSOR shape = nullptr;
  wait_for(
      [&] {
        SetCursorPos(at.x, at.y);
        // The window's thread handles the pointer's move (and sets the shape)
        // before it paints: once a repaint asked for now is done, so is the move.
        if (!InvalidateRect(window, nullptr, FALSE)) fail("asking the window to repaint");
        wait_for([&] { return !GetUpdateRect(window, nullptr, FALSE); }, "the window to handle the pointer's move");
        CURSORINFO info{sizeof(CURSORINFO), 0, nullptr, {}};
        GetCursorInfo(&info);
        POINT now{};
        shape = info.hCursor;
        const bool settled = before == shape;
        before.reset();
        if (GetCursorPos(&now) && now.x == at.x && now.y == at.y) before = shape;
        return settled && before.has_value();
      },
      "the pointer to rest at " + std::to_string(at.x) + "," + std::to_string(at.y));
  return shape;
}

// ---- The verbs ----------------------------------------------------------------------------

void print_message_box(const Args&) {
  HWND box = need([] { return IsWindowVisible(message_box()) ? message_box() : nullptr; }, "the message box");
  std::string text, buttons, def = "none";
  for (HWND child : children(box)) {
    std::string t = window_text(child);
    bool button = is_class(child, "Button");
    if (button && (GetWindowLongA(child, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) def = t;
    if (IsWindowVisible(child) && button) buttons += (buttons.empty() ? "" : ",") + t;
    if (IsWindowVisible(child) && is_class(child, "Static")) text += t;
  }
  for (char& c : text) c = c == '\r' ? '|' : c == '\n' ? '/' : c;
  std::printf("msgbox text \"%s\" buttons %s\nmsgbox default %s\nmsgbox rect %s\n", text.c_str(), buttons.c_str(),
              def.c_str(), place_of(box).c_str());
  // Where a user would see it: in front, over other windows, owned by the tray window.
  std::printf("msgbox front %s topmost %s owner %s\n", GetForegroundWindow() == box ? "yes" : "no",
              (GetWindowLongA(box, GWL_EXSTYLE) & WS_EX_TOPMOST) ? "yes" : "no",
              GetWindow(box, GW_OWNER) == tray_window() ? "tray" : "other");
}

void print_about_box(const Args&) {
  HWND about = need_about();  // shown once its controls are laid out
  for (HWND child : children(about)) {
    std::string t = window_text(child);
    for (char& c : t) c = c == '\r' || c == '\n' ? ' ' : c;
    RECT rc = rect_of(child);
    MapWindowPoints(nullptr, about, reinterpret_cast<POINT*>(&rc), 2);
    std::printf("control %s %ld,%ld %ldx%ld \"%s\"\n", text_of(child, GetClassNameA).c_str(), rc.left, rc.top,
                rc.right - rc.left, rc.bottom - rc.top, t.c_str());
  }
  RECT client;
  GetClientRect(about, &client);
  std::printf("about client %ldx%ld\nabout rect %s\n", client.right, client.bottom, place_of(about).c_str());
}

// Compares the shape over each text of the About box with the shape over a
// blank spot of the box (below the links, right of the warning text).
void print_hands(const Args&) {
  HWND about = need_about();
  RECT client;
  GetClientRect(about, &client);
  POINT blank{client.right - 30, client.bottom - 50};
  ClientToScreen(about, &blank);
  HCURSOR plain = cursor_at(about, blank);
  for (HWND child : children(about))
    if (std::string t = window_text(child); !t.empty())
      std::printf("hand %s \"%s\"\n", cursor_at(about, centre_of(child)) != plain ? "yes" : "no", t.c_str());
  std::printf("hand %s blank\n", cursor_at(about, blank) != plain ? "yes" : "no");
}

void play_stubborn_copy(const Args&) {
  const WNDCLASSA wc{0, stubborn_proc, 0, 0, GetModuleHandleA(nullptr), nullptr, nullptr, nullptr, nullptr,
                     kTrayWindowClass};
  RegisterClassA(&wc);
  if (!CreateWindowExA(WS_EX_TOOLWINDOW, kTrayWindowClass, kTrayWindowCaption, WS_POPUP, 0, 0,
                       0, 0, nullptr, nullptr, wc.hInstance, nullptr))
    fail("creating the stubborn window");
  std::printf("stubborn\n");
  std::fflush(stdout);
  MSG m;
  while (GetMessageA(&m, nullptr, 0, 0) > 0) DispatchMessageA(&m);
}

void hold(const Args& a) {
  HANDLE h = CreateFileA(a[0].c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) fail("opening " + a[0]);
  std::printf("held\n");
  std::fflush(stdout);
  while (std::fgetc(stdin) != EOF) continue;
  CloseHandle(h);
}

// A shortcut as the shell reads it (IShellLink), not as its bytes lie.
void print_shortcut(const Args& a) {
  if (FAILED(CoInitialize(nullptr))) fail("starting COM");
  IShellLinkA* link = nullptr;
  IPersistFile* file = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&link))))
    fail("creating a shell link");
  wchar_t wide[MAX_PATH] = L"";
  MultiByteToWideChar(CP_ACP, 0, a[0].c_str(), -1, wide, MAX_PATH);
  if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) ||
      FAILED(file->Load(wide, STGM_READ)))
    fail("reading the shortcut " + a[0]);
  char target[MAX_PATH] = "", args[MAX_PATH] = "", icon[MAX_PATH] = "";
  int index = -1;
  link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
  link->GetArguments(args, MAX_PATH);
  link->GetIconLocation(icon, MAX_PATH, &index);
  std::printf("target %s\nargs \"%s\"\nicon %s,%d\n", target, args, icon, index);
  file->Release();
  link->Release();
  CoUninitialize();
}

void wait_running(const Args& a) {
  int want = std::atoi(a[0].c_str()), copies = 0, windows = 0;
  wait_for(
      [&] {
        copies = static_cast<int>(processes("VtrSysTray.exe").size());
        windows = tray_window_count();
        return copies == want && windows == want;
      },
      std::to_string(want) + " running copies (" + std::to_string(copies) + " processes, " +
          std::to_string(windows) + " tray windows)");
  std::printf("running %d\n", want);
}

struct Verb {
  const char* name;
  size_t args;
  const char* help;  // its arguments, and what it does
  void (*run)(const Args& a);
};

const Verb kVerbs[] = {
    {"find", 0, "wait for the hidden tray window",
     [](const Args&) { std::printf("window %p\n", static_cast<void*>(need_tray())); }},
    {"gone", 0, "wait until no tray window and no VtrSysTray.exe remain", [](const Args&) {
       wait_for([] { return !tray_window() && processes("VtrSysTray.exe").empty(); }, "the utility to end");
       std::printf("gone\n");
     }},
    {"post", 1, "CODE: post the icon's callback (0x200, uID 1, CODE) as the shell does", [](const Args& a) {
       if (!PostMessageA(need_tray(), WM_MOUSEMOVE, 1, std::strtol(a[0].c_str(), nullptr, 0)))
         fail("posting the callback");
     }},
    {"close", 0, "post WM_CLOSE to the tray window", [](const Args&) { PostMessageA(need_tray(), WM_CLOSE, 0, 0); }},
    // Sent, as Windows and the Restart Manager send them: the answer waits for
    // any question the utility asks first.
    {"query-end", 1, "FLAGS: send WM_QUERYENDSESSION (lParam FLAGS: 0x1 an installer's close, 0x80000000 a log-off); "
                     "print query-end TRUE|FALSE", [](const Args& a) {
       DWORD_PTR agreed = 0;
       if (!SendMessageTimeoutA(need_tray(), WM_QUERYENDSESSION, 0, std::strtoul(a[0].c_str(), nullptr, 0),
                                SMTO_NORMAL, g_timeout_ms, &agreed))
         fail("no answer to WM_QUERYENDSESSION");
       std::printf("query-end %s\n", agreed ? "TRUE" : "FALSE");
     }},
    {"end-session", 2, "ENDING FLAGS: send WM_ENDSESSION (wParam ENDING, lParam FLAGS)", [](const Args& a) {
       SendMessageTimeoutA(need_tray(), WM_ENDSESSION, std::strtoul(a[0].c_str(), nullptr, 0),
                           std::strtoul(a[1].c_str(), nullptr, 0), SMTO_NORMAL, g_timeout_ms, nullptr);
     }},
    {"count", 0, "print the tray windows and the icons in the shell's notification area now: windows N icons M",
     [](const Args&) {
       std::printf("windows %d icons %zu\n", tray_window_count(),
                   shown_where([](HWND w) { return is_class(w, "__winex11_tray_icon"); }).size());
     }},
    {"tip", 0, "point at the icon (twice) and print the tip the shell shows: tip \"<text>\"",
     [](const Args&) { std::printf("tip \"%s\"\n", shell_tip(need_tray()).c_str()); }},
    {"icon-present", 0, "the shell knows the icon (a NIM_MODIFY probe succeeds)", [](const Args&) {
       wait_for([tray = need_tray()] { return shell_icon(tray, NIM_MODIFY); }, "the shell to show the icon");
       std::printf("icon present\n");
     }},
    {"icon-absent", 0, "the shell does not know it", [](const Args&) { no_icon_of(need_tray()); }},
    {"icon-absent-for", 1, "HWND: the shell knows no icon of that (closed) window", [](const Args& a) {
       no_icon_of(reinterpret_cast<HWND>(static_cast<uintptr_t>(std::strtoull(a[0].c_str(), nullptr, 16))));
     }},
    {"drop-icon", 0, "delete the icon from the shell, as a restarting Explorer loses it",
     [](const Args&) { if (!shell_icon(need_tray(), NIM_DELETE)) fail("the shell had no icon to drop"); }},
    {"taskbar-created", 0, "broadcast \"TaskbarCreated\"",
     [](const Args&) { SendNotifyMessageA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0); }},
    {"menu", 0, "wait for the popup menu; print its height in pixels and its rectangle", [](const Args&) {
       HWND menu = need_menu();  // sized before it is shown
       std::printf("menu %ld\nmenu rect %s\n", rect_of(menu).bottom - rect_of(menu).top, place_of(menu).c_str());
     }},
    {"key", 1, "C: type character C into the open popup menu",
     [](const Args& a) { PostMessageA(need_menu(), WM_CHAR, static_cast<unsigned char>(a[0][0]), 1); }},
    {"esc", 0, "press Esc in the open popup menu", [](const Args&) { post_key(need_menu(), VK_ESCAPE); }},
    {"menu-gone", 0, "wait until no popup menu is shown",
     [](const Args&) { wait_for([] { return popup_menu() == nullptr; }, "the popup menu to close"); }},
    {"msgbox", 0, "wait for the message box titled \"Vantorel\" or \"VtrSysTray\"; print its text, buttons, place",
     print_message_box},
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
    {"about", 0, "wait for the About box; print its controls, client size and rectangle", print_about_box},
    {"about-count", 1, "N: exactly N About boxes are open", [](const Args& a) {
       if (const size_t have = about_boxes().size(); have != std::strtoul(a[0].c_str(), nullptr, 10))
         fail(std::to_string(have) + " About boxes open, expected " + a[0]);
     }},
    {"about-front", 0, "the About box is the foreground window", [](const Args&) {
       wait_for([box = need_about()] { return GetForegroundWindow() == box; }, "the About box to come to the front");
     }},
    {"link", 1, "1|2: click the first or second link label", [](const Args& a) {
       HWND link = links(need_about())[a[0] == "2" ? 1 : 0];
       PostMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
       PostMessageA(link, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
     }},
    {"hand", 0, "print for each text of the About box whether the pointer there differs from a blank spot's",
     print_hands},
    {"about-key", 1, "enter|esc: press Enter or Esc in the About box", [](const Args& a) {
       HWND about = need_about(), ok = GetDlgItem(about, IDOK);
       post_key(ok ? ok : about, a[0] == "esc" ? VK_ESCAPE : VK_RETURN);
     }},
    {"about-gone", 0, "wait until no About box is open",
     [](const Args&) { wait_for([] { return about_boxes().empty(); }, "the About box to close"); }},
    {"pointer", 2, "X Y: move the pointer to X,Y on the screen (where the popup menu opens)",
     [](const Args& a) { SetCursorPos(std::atoi(a[0].c_str()), std::atoi(a[1].c_str())); }},
    {"running", 1, "N: wait until exactly N copies of the utility run, each with its tray window", wait_running},
    {"ended", 1, "EXE: wait until no process runs the program file EXE (a started Vtr.exe has done its work)",
     [](const Args& a) { wait_for([&] { return processes(a[0].c_str()).empty(); }, "every " + a[0] + " to end"); }},
    {"hold", 1, "FILE: open FILE sharing nothing, print \"held\", keep it open until standard input ends", hold},
    {"shortcut", 1, "FILE.lnk: print the shortcut's target, arguments and icon: target|args|icon <...>",
     print_shortcut},
    {"stubborn", 0, "play a copy of the utility that ignores WM_CLOSE, until it is ended", play_stubborn_copy},
    // Started before the copy is, it sees a parent that ends soon after
    // starting it (Wine's explorer.exe does).
    {"parent", 0, "print \"watching\", wait for a new copy of the utility, print its parent: parent <exe>|<ended>",
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
