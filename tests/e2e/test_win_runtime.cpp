// The Windows window runtime in-process: what the end-to-end scenarios cannot
// see from outside (the popup's item states, an end of the session that
// another program refuses, the unload reason of an installer's close request,
// a start while another copy loads, the About box's layout, fonts and colours,
// the hourglass, files and launching). The scenarios check the rest from outside:
// the callback in twips (every click they post), the close box's and the
// session's unload reasons and a refused end of the session, the hand over
// the links, one About box however often asked.
// It makes real windows, so scenarios.sh runs it under Xvfb.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <chrono>
#include <cstdio>
#include <functional>
#include <future>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "about/frmAbout.h"
#include "platform/win/WinPopupMenu.h"
#include "platform/win/WinSession.h"
#include "platform/win/WinWindowRuntime.h"
#include "tray/TrayTexts.h"
#include "tray/frmSysTray.h"

namespace {

// A form without controls, which records what the runtime raises.
class ProbeForm : public Form {
 public:
  ProbeForm() : Form("frmProbe") {}
  std::vector<int16_t> queries;
  int unloads = 0;

  void Form_QueryUnload(int16_t&, int16_t UnloadMode) override { queries.push_back(UnloadMode); }
  void Form_Unload(int16_t&) override { ++unloads; }
};

class WinRuntimeTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (frmAbout::Default().IsLoaded()) frmAbout::Default().Unload();
    Pump();
  }
  // Delivers what was posted to this thread's windows.
  static void Pump() {
    for (MSG msg; PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);) DispatchMessageA(&msg);
  }
  // Delivers messages (timers too) until done(), for at most a minute (only a
  // failing test waits that long); whether done.
  static bool PumpUntil(const std::function<bool()>& done) {
    for (DWORD start = GetTickCount(); !done(); Sleep(1), Pump())
      if (GetTickCount() - start > 60000) return false;
    return true;
  }
  // Delivers messages until a timer set now for `ms` has come: a timer due
  // before it, however late the machine runs, has come first. (200 ms: past
  // any retry with the fake shell, at most 30 times 5 ms apart.)
  static void PumpPast(DWORD ms = 200) {
    const UINT_PTR marker = SetTimer(nullptr, 0, ms, nullptr);
    for (MSG msg; GetMessageA(&msg, nullptr, 0, 0) > 0;) {
      if (msg.message == WM_TIMER && msg.hwnd == nullptr && msg.wParam == marker) break;
      DispatchMessageA(&msg);
    }
    KillTimer(nullptr, marker);
  }
  // A shell that refuses the next `refusals` adds (and every modify when
  // `lost`), and notes each call.
  struct FakeShell {
    int refusals = 0;
    bool lost = false;
    std::vector<DWORD> calls;
    HICON added = nullptr;  // the icon of the last add
    BOOL operator()(DWORD message, PNOTIFYICONDATAA data) {
      calls.push_back(message);
      if (message == NIM_ADD && data != nullptr) added = data->hIcon;
      if (message == NIM_ADD && refusals > 0) return --refusals, FALSE;
      if (message == NIM_MODIFY && lost) return FALSE;
      return TRUE;
    }
    long Count(DWORD message) const { return std::count(calls.begin(), calls.end(), message); }
  };
  void UseFakeShell(FakeShell& shell) {
    runtime.UseShell([&shell](DWORD m, PNOTIFYICONDATAA d) { return shell(m, d); }, std::chrono::milliseconds(5));
  }

  // An icon's width in pixels.
  static int IconWidth(HICON icon) {
    ICONINFO info{};
    if (!GetIconInfo(icon, &info)) return -1;
    BITMAP mask{};
    GetObjectA(info.hbmMask, sizeof mask, &mask);
    DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    return mask.bmWidth;
  }

  WinWindowRuntime runtime{GetModuleHandleA(nullptr), TrayTexts()};
  ScopedRuntime installed{runtime};
};

TEST_F(WinRuntimeTest, PopupShowsVisibleItemsWithTheirStatesAndNoDefault) {
  MenuItem root("mnuConfigure", "&Configure");
  MenuItem open("mnuOpen", "&Open Vantorel...", true, false);
  MenuItem sep("mnuSep_01", "-");
  MenuItem close("mnuClose", "&Close");
  MenuItem hidden("mnuFileRecent", "&1. Plan.txt", false);
  MenuItem recent("mnuFileRecent", "&2. Net 2.txt");
  root.Items = {&open, &sep, &close, &hidden, &recent};

  WinPopupMenu popup(root);
  HMENU menu = popup.Handle();
  std::string shown;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    char text[64] = "";
    GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
    const UINT state = GetMenuState(menu, i, MF_BYPOSITION);
    // (Wine reports a separator as grayed too.)
    shown += state & MF_SEPARATOR ? "----|" : text + std::string(state & MF_GRAYED ? " (grayed)|" : "|");
  }
  EXPECT_EQ(shown, "&Open Vantorel... (grayed)|----|&Close|&2. Net 2.txt|");
  // Which item a choice names, and that a dismissed menu names none, the
  // scenarios see by what each key of the menu starts.
  EXPECT_EQ(GetMenuDefaultItem(menu, FALSE, 0), static_cast<UINT>(-1));
}

// A tool window that no task switcher lists (top-level and found by its
// class and caption: the scenarios find it so and broadcast to it); it
// unloads only when the session ends for real, not when another program
// refuses the end. An installer's close request (ENDSESSION_CLOSEAPP, with or
// without the question before it) is the task manager's unload, no session end.
TEST_F(WinRuntimeTest, FormWithoutControlsIsAHiddenTopLevelToolWindowThatUnloadsWithTheSession) {
  // The requests' flags, whether the question came first, WM_ENDSESSION's
  // wParam; the unload reasons the form heard, and whether it unloaded.
  using Row = std::tuple<LPARAM, bool, BOOL, std::vector<int16_t>, bool>;
  const LPARAM logoff = ENDSESSION_LOGOFF, closeApp = ENDSESSION_CLOSEAPP;
  for (const auto& [flags, queried, ending, queries, unloads] :
       {Row{0, true, FALSE, {vbAppWindows}, false}, Row{logoff, true, TRUE, {vbAppWindows}, true},
        Row{0, false, TRUE, {}, false}, Row{closeApp, true, FALSE, {vbAppTaskManager}, false},
        Row{closeApp, true, TRUE, {vbAppTaskManager}, true}, Row{closeApp, false, TRUE, {vbAppTaskManager}, true}}) {
    SCOPED_TRACE(::testing::Message() << std::hex << flags << " queried " << queried << " ending " << ending);
    ProbeForm form;
    form.Load();
    HWND hwnd = form.hWnd();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_FALSE(IsWindowVisible(hwnd));
    EXPECT_TRUE(GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    if (queried) {
      EXPECT_EQ(SendMessageA(hwnd, WM_QUERYENDSESSION, 0, flags), TRUE);
      EXPECT_EQ(std::tuple(form.IsLoaded(), form.unloads), std::tuple(true, 0)) << "the form waits for the end itself";
    }
    SendMessageA(hwnd, WM_ENDSESSION, ending, flags);
    EXPECT_EQ(form.queries, queries);
    EXPECT_EQ(std::tuple(form.IsLoaded(), form.unloads, IsWindow(hwnd) != FALSE),
              std::tuple(!unloads, unloads ? 1 : 0, !unloads));
  }
}

// One copy per session: a start gives way to the copy whose tray window
// exists, or that is still loading (holding the session's mutex) after the
// start's patience. A start during another's loading waits for its outcome,
// and a start that found a copy keeps no one waiting. A copy that closed its
// window, or failed or crashed while loading, is no copy.
TEST_F(WinRuntimeTest, AStartGivesWayToTheCopyWhoseTrayWindowExists) {
  const char* const name = "Local\\VtrSysTray.Test";
  auto startElsewhere = [name](DWORD patience) {  // on another thread (the mutex is a thread's)
    return std::async(std::launch::async, [=] { return SessionStart(name, TrayTexts(), patience).AnotherCopyRuns(); });
  };
  ProbeForm copy;
  copy.Caption = kTrayWindowCaption;
  for (bool loads : {false, true}) {
    SessionStart first(name, TrayTexts());
    ASSERT_FALSE(first.AnotherCopyRuns());
    if (loads) {
      EXPECT_TRUE(startElsewhere(50).get()) << "a copy loading for longer than the patience";
    }
    auto second = startElsewhere(10000);
    EXPECT_EQ(second.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout) << "it waits";
    if (loads) copy.Load();
    first.Release();
    EXPECT_EQ(second.get(), loads) << "a start during another's loading";
  }
  {
    SessionStart found(name, TrayTexts());
    EXPECT_TRUE(found.AnotherCopyRuns());
    copy.Unload();
    EXPECT_FALSE(startElsewhere(10000).get()) << "a copy that closed";
  }
  std::optional<SessionStart> crashed;
  std::thread([&] { crashed.emplace(name, TrayTexts()); }).join();  // its thread ends holding the mutex
  EXPECT_FALSE(SessionStart(name, TrayTexts(), 0).AnotherCopyRuns()) << "a copy that crashed while loading";
}

// What an installer that closed the utility may do: start it again. Not
// after a reboot, a crash or a hang; RESTART_NO_PATCH would forbid exactly
// the installer's restart.
TEST_F(WinRuntimeTest, TheProgramAsksForARestartAfterAnInstallerOnly) {
  static std::pair<PCWSTR, DWORD> registered;
  struct Recorder {
    static HRESULT WINAPI Register(PCWSTR line, DWORD flags) { return registered = {line, flags}, E_NOTIMPL; }
  };
  EXPECT_EQ(RegisterInstallerRestart(Recorder::Register), E_NOTIMPL);
  const DWORD flags = RESTART_NO_CRASH | RESTART_NO_HANG | RESTART_NO_REBOOT;
  EXPECT_EQ(registered, std::pair(PCWSTR{}, flags)) << "no command line; an installer's restart only";
  EXPECT_EQ(RegisterInstallerRestart(), S_OK);
}

TEST_F(WinRuntimeTest, AboutBoxIsOneDialogLaidOutFromItsControlTable) {
  frmAbout& about = frmAbout::Default();
  about.Show();
  HWND dlg = about.hWnd();
  ASSERT_NE(dlg, nullptr);
  // Laid out from twips at the screen's DPI (scenarios.sh runs this at 96
  // and at 144; it checks the box's size); inside the frame: its position plus the frame's.
  const float tppX = runtime.TwipsPerPixelX(), tppY = runtime.TwipsPerPixelY();
  auto px = [](int32_t twips, float tpp) { return static_cast<LONG>(std::lround(twips / tpp)); };
  RECT link;
  GetWindowRect(runtime.ControlWindow(about, about.lblAddInSite), &link);
  MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&link), 2);
  EXPECT_EQ(std::tuple(link.left, link.top, link.right - link.left),
            std::tuple(px(990 + 60, tppX), px(1680 + 600, tppY), px(3675, tppX)));

  const int dpi = static_cast<int>(std::lround(1440.0f / tppY));
  // Face, height in pixels (-13 and -11 at 96 DPI), weight, underline.
  auto fontOf = [&](const Control& control) {
    LOGFONTA lf{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(runtime.ControlWindow(about, control), WM_GETFONT, 0, 0)),
               sizeof lf, &lf);
    return std::tuple(std::string(lf.lfFaceName), lf.lfHeight, lf.lfWeight, lf.lfUnderline != 0);
  };
  EXPECT_EQ(fontOf(about.lblTitle), std::tuple("MS Sans Serif", -std::lround(9.75 * dpi / 72), FW_BOLD, false));
  EXPECT_EQ(fontOf(about.lblWebSite), std::tuple("MS Sans Serif", -std::lround(8.25 * dpi / 72), FW_NORMAL, true));

  // No text is cut: each label's text, in its font and wrapped at its width,
  // fits its height, and a button's caption fits its face.
  for (const Control* control : about.Controls) {
    HWND hwnd = runtime.ControlWindow(about, *control);
    if (hwnd == nullptr || control->Caption.empty() || control->Kind == ControlKind::Frame) continue;
    RECT box;
    GetClientRect(hwnd, &box);
    HDC measure = GetDC(hwnd);
    HGDIOBJ old = SelectObject(measure, reinterpret_cast<HFONT>(SendMessageA(hwnd, WM_GETFONT, 0, 0)));
    RECT need{0, 0, box.right, 0};
    DrawTextA(measure, control->Caption.c_str(), -1, &need,
              DT_CALCRECT | DT_NOPREFIX | (control->Kind == ControlKind::CommandButton ? DT_SINGLELINE : DT_WORDBREAK));
    SelectObject(measure, old);
    ReleaseDC(hwnd, measure);
    EXPECT_LE(need.bottom, box.bottom) << control->Name << " is cut at the bottom at " << dpi << " DPI";
    EXPECT_LE(need.right, box.right) << control->Name << " is cut at the side at " << dpi << " DPI";
  }

  HDC dc = CreateCompatibleDC(nullptr);
  auto colourOf = [&](const Control& control) {
    SendMessageA(dlg, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                 reinterpret_cast<LPARAM>(runtime.ControlWindow(about, control)));
    return GetTextColor(dc);
  };
  EXPECT_EQ((std::vector{colourOf(about.lblWebSite), colourOf(about.lblTitle), colourOf(about.lblDisclaimer),
                         colourOf(about.Label2)}),
            (std::vector{RGB(0, 0, 255), RGB(128, 0, 128), RGB(0, 0, 0), GetSysColor(COLOR_BTNTEXT)}));
  DeleteDC(dc);
}

TEST_F(WinRuntimeTest, TheHourglassShowsOverLinksAndTextAlike) {
  frmAbout& about = frmAbout::Default();
  about.Show();
  runtime.SetMousePointer(vbHourglass);
  for (const Control* control : {&about.lblWebSite, &about.Label2}) {
    SetCursor(nullptr);
    SendMessageA(about.hWnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(runtime.ControlWindow(about, *control)),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT))) << control->Name;
  }
  runtime.SetMousePointer(vbDefault);
}

TEST_F(WinRuntimeTest, FileExistsOnlyForNormalFiles) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  std::string folder = std::string(temp) + "vtr-win-runtime";
  CreateDirectoryA(folder.c_str(), nullptr);
  std::string file = folder + "\\Vtr.exe";
  // (Had it not been made, the first row would fail.)
  CloseHandle(CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));

  for (auto [attributes, found] : {std::pair{FILE_ATTRIBUTE_NORMAL, true}, {FILE_ATTRIBUTE_READONLY, true},
                                    {FILE_ATTRIBUTE_HIDDEN, false}, {FILE_ATTRIBUTE_SYSTEM, false}}) {
    SetFileAttributesA(file.c_str(), attributes);
    EXPECT_EQ(runtime.FileExists(file), found) << attributes;
  }
  SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
  for (const std::string& none : {folder, folder + "\\*.exe", folder + "\\Missing.exe", std::string()})
    EXPECT_FALSE(runtime.FileExists(none)) << none;
  DeleteFileA(file.c_str());
  RemoveDirectoryA(folder.c_str());
}

TEST_F(WinRuntimeTest, LaunchStartsTheNamedProgramWhateverTheCommandLineSays) {
  char system[MAX_PATH];
  GetSystemDirectoryA(system, MAX_PATH);
  std::string cmd = std::string(system) + "\\cmd.exe";
  // The unquoted path in the command line could name another program; the
  // program path decides.
  EXPECT_TRUE(runtime.Launch(cmd, "C:\\Program Files\\Nothing Here.exe /c exit 0"));
  EXPECT_FALSE(runtime.Launch(std::string(system) + "\\no-such-program.exe", "no-such-program.exe"));
  EXPECT_FALSE(runtime.Launch("", ""));
}

TEST_F(WinRuntimeTest, AnIconTheShellRefusesIsAddedAgainOnATimerUntilItIsTaken) {
  ProbeForm form;
  form.Load();
  FakeShell shell;
  shell.refusals = 3;  // the notification area is not up yet
  UseFakeShell(shell);
  NOTIFYICONDATAA record{};
  record.cbSize = NOTIFYICONDATAA_V1_SIZE;
  record.hWnd = form.hWnd();
  record.uID = 1;
  EXPECT_FALSE(runtime.Shell_NotifyIconA(NIM_ADD, &record));
  ASSERT_TRUE(PumpUntil([&] { return shell.Count(NIM_ADD) == 4; })) << shell.Count(NIM_ADD) << " adds";
  PumpPast();
  EXPECT_EQ(shell.Count(NIM_ADD), 4) << "no add once the shell took the icon";

  // The shell lost it (an update is refused): it is added again at once.
  shell.lost = true;
  EXPECT_TRUE(runtime.Shell_NotifyIconA(NIM_MODIFY, &record));
  EXPECT_EQ(shell.calls.back(), static_cast<DWORD>(NIM_ADD));
  EXPECT_EQ(shell.Count(NIM_ADD), 5);

  // "TaskbarCreated" with the shell still refusing: the timer takes over.
  shell.refusals = 2;
  SendMessageA(form.hWnd(), RegisterWindowMessageA("TaskbarCreated"), 0, 0);
  ASSERT_TRUE(PumpUntil([&] { return shell.Count(NIM_ADD) == 8; })) << shell.Count(NIM_ADD) << " adds";
  PumpPast();
  EXPECT_EQ(shell.Count(NIM_ADD), 8);

  // A deleted icon is never added again, by the timer or by "TaskbarCreated".
  shell.refusals = 1000;
  runtime.Shell_NotifyIconA(NIM_ADD, &record);
  ASSERT_TRUE(PumpUntil([&] { return shell.Count(NIM_ADD) >= 8 + 3; }));
  runtime.Shell_NotifyIconA(NIM_DELETE, &record);
  const long adds = shell.Count(NIM_ADD);
  SendMessageA(form.hWnd(), RegisterWindowMessageA("TaskbarCreated"), 0, 0);
  PumpPast();
  EXPECT_EQ(shell.Count(NIM_ADD), adds);
}

// scenarios.sh runs this at 96, 120, 144 and 192 DPI: the program's icon
// holds a picture of each size, so none is stretched. (The screen's DPI as
// the runtime reads it: the scenarios compare it with the DPI they set.)
TEST_F(WinRuntimeTest, TheIconsHaveTheSizesOfTheScreensDpi) {
  const int dpi = static_cast<int>(std::lround(1440.0f / runtime.TwipsPerPixelX()));
  std::printf("# %d DPI: small icon %d, icon %d\n", dpi, GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CXICON));
  FakeShell shell;
  UseFakeShell(shell);
  frmSysTray tray;
  tray.Load();
  frmAbout& about = frmAbout::Default();
  about.Show();
  HICON shown = reinterpret_cast<HICON>(SendMessageA(runtime.ControlWindow(about, about.Picture1), STM_GETICON, 0, 0));
  // The tray's small icon and the About box's icon; (no icon, or none added, has a width of -1).
  const std::pair<int, int> sizes{GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CXICON)};
  EXPECT_EQ(std::pair(IconWidth(shell.added), IconWidth(shown)), sizes);
  EXPECT_EQ(std::pair(MulDiv(16, dpi, 96), MulDiv(32, dpi, 96)), sizes) << dpi << " DPI";
  about.Unload();
  tray.Unload(vbFormCode);
}

}  // namespace
