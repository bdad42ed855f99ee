// The Windows window runtime in-process: what the end-to-end scenarios cannot
// see from outside (the popup's item states, the callback in twips, the unload
// reasons, the About box's layout, fonts, colours and pointer shapes, files and
// launching). It makes real windows, so scenarios.sh runs it under Xvfb.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "about/frmAbout.h"
#include "platform/win/WinPopupMenu.h"
#include "platform/win/WinWindowRuntime.h"
#include "platform/resource.h"
#include "tray/frmSysTray.h"

namespace {

// A form without controls, which records what the runtime raises.
class ProbeForm : public Form {
 public:
  ProbeForm() : Form("frmProbe") { Caption = "Probe"; }
  std::vector<int16_t> queries;
  int unloads = 0;
  bool refuse = false;
  std::vector<float> moves;

  void Form_QueryUnload(int16_t& Cancel, int16_t UnloadMode) override {
    queries.push_back(UnloadMode);
    if (refuse) Cancel = 1;
  }
  void Form_Unload(int16_t&) override { ++unloads; }
  void Form_MouseMove(int16_t, int16_t, float X, float) override { moves.push_back(X); }
};

class WinRuntimeTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (frmAbout::Default().IsLoaded()) frmAbout::Default().Unload();
    Pump();
  }
  // Delivers what was posted to this thread's windows.
  static void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  // Delivers messages (timers too) until done() or `ms` have passed; whether done.
  static bool PumpUntil(const std::function<bool()>& done, DWORD ms = 3000) {
    for (DWORD start = GetTickCount(); !done(); Sleep(1)) {
      if (GetTickCount() - start > ms) return false;
      Pump();
    }
    return true;
  }
  static void PumpFor(DWORD ms) { PumpUntil([] { return false; }, ms); }
  static NOTIFYICONDATAA IconRecordOf(HWND hwnd) {
    NOTIFYICONDATAA record{};
    record.cbSize = NOTIFYICONDATAA_V1_SIZE;
    record.hWnd = hwnd;
    record.uID = 1;
    record.uFlags = NIF_MESSAGE | NIF_TIP;
    record.uCallbackMessage = WM_MOUSEMOVE;
    return record;
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
  static LOGFONTA FontOf(HWND control) {
    LOGFONTA lf{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)), sizeof lf, &lf);
    return lf;
  }

  WinWindowRuntime runtime{GetModuleHandleA(nullptr)};
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
  ASSERT_EQ(GetMenuItemCount(menu), 4);
  char text[64];
  GetMenuStringA(menu, 0, text, sizeof text, MF_BYPOSITION);
  EXPECT_STREQ(text, "&Open Vantorel...");
  EXPECT_TRUE(GetMenuState(menu, 0, MF_BYPOSITION) & MF_GRAYED);
  EXPECT_TRUE(GetMenuState(menu, 1, MF_BYPOSITION) & MF_SEPARATOR);
  EXPECT_FALSE(GetMenuState(menu, 2, MF_BYPOSITION) & MF_GRAYED);
  GetMenuStringA(menu, 3, text, sizeof text, MF_BYPOSITION);
  EXPECT_STREQ(text, "&2. Net 2.txt");
  EXPECT_EQ(popup.ItemFor(GetMenuItemID(menu, 2)), &close);
  EXPECT_EQ(popup.ItemFor(GetMenuItemID(menu, 3)), &recent);
  EXPECT_EQ(popup.ItemFor(0), nullptr);  // dismissed
  EXPECT_EQ(GetMenuDefaultItem(menu, FALSE, 0), static_cast<UINT>(-1));
}

TEST_F(WinRuntimeTest, FormWithoutControlsIsAHiddenTopLevelWindowThatGetsTheCallbackInTwips) {
  ProbeForm form;
  form.Load();
  HWND hwnd = form.hWnd();
  ASSERT_NE(hwnd, nullptr);
  char cls[64] = "";
  GetClassNameA(hwnd, cls, sizeof cls);
  EXPECT_STREQ(cls, vtr::win::kTrayWindowClass);
  EXPECT_EQ(FindWindowA(vtr::win::kTrayWindowClass, "Probe"), hwnd);
  EXPECT_FALSE(IsWindowVisible(hwnd));
  // Top-level (the shell's broadcasts reach it), not message-only, and a tool
  // window that no task switcher lists.
  EXPECT_EQ(GetAncestor(hwnd, GA_PARENT), GetDesktopWindow());
  EXPECT_TRUE(GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
  EXPECT_EQ(IconWidth(form.Icon()), GetSystemMetrics(SM_CXSMICON));

  // The shell's callback reaches Form_MouseMove in twips.
  PostMessageA(hwnd, WM_MOUSEMOVE, 1, WM_RBUTTONUP);
  Pump();
  ASSERT_EQ(form.moves.size(), 1u);
  EXPECT_FLOAT_EQ(form.moves[0], WM_RBUTTONUP * runtime.TwipsPerPixelX());
}

TEST_F(WinRuntimeTest, CloseAndSessionEndCarryTheirUnloadReasons) {
  ProbeForm form;
  form.Load();
  HWND hwnd = form.hWnd();
  form.refuse = true;
  SendMessageA(hwnd, WM_CLOSE, 0, 0);
  EXPECT_EQ(form.queries, std::vector<int16_t>{vbFormControlMenu});
  EXPECT_EQ(SendMessageA(hwnd, WM_QUERYENDSESSION, 0, 0), FALSE);  // refused
  EXPECT_EQ(form.queries.back(), vbAppWindows);
  SendMessageA(hwnd, WM_ENDSESSION, FALSE, 0);
  EXPECT_TRUE(form.IsLoaded());

  form.refuse = false;
  EXPECT_EQ(SendMessageA(hwnd, WM_QUERYENDSESSION, 0, 0), TRUE);
  EXPECT_TRUE(form.IsLoaded()) << "the form waits for the session to end for real";
  SendMessageA(hwnd, WM_ENDSESSION, FALSE, 0);  // another program refused
  EXPECT_TRUE(form.IsLoaded());
  EXPECT_EQ(form.unloads, 0);

  EXPECT_EQ(SendMessageA(hwnd, WM_QUERYENDSESSION, 0, 0), TRUE);
  SendMessageA(hwnd, WM_ENDSESSION, TRUE, 0);
  EXPECT_FALSE(form.IsLoaded());
  EXPECT_EQ(form.unloads, 1);
  EXPECT_FALSE(IsWindow(hwnd));
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
  EXPECT_EQ(link.left, px(990 + 60, tppX));
  EXPECT_EQ(link.top, px(1680 + 600, tppY));
  EXPECT_EQ(link.right - link.left, px(3675, tppX));

  const int dpi = static_cast<int>(std::lround(1440.0f / tppY));
  LOGFONTA title = FontOf(runtime.ControlWindow(about, about.lblTitle));
  EXPECT_STREQ(title.lfFaceName, "MS Sans Serif");
  EXPECT_EQ(title.lfHeight, -std::lround(9.75 * dpi / 72));  // -13 at 96 DPI
  EXPECT_EQ(title.lfWeight, FW_BOLD);
  LOGFONTA linkFont = FontOf(runtime.ControlWindow(about, about.lblWebSite));
  EXPECT_EQ(linkFont.lfHeight, -std::lround(8.25 * dpi / 72));  // -11
  EXPECT_TRUE(linkFont.lfUnderline);

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
    UINT wrap = control->Kind == ControlKind::CommandButton ? DT_SINGLELINE : DT_WORDBREAK;
    DrawTextA(measure, control->Caption.c_str(), -1, &need, DT_CALCRECT | DT_NOPREFIX | wrap);
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
  EXPECT_EQ(colourOf(about.lblWebSite), RGB(0, 0, 255));
  EXPECT_EQ(colourOf(about.lblTitle), RGB(128, 0, 128));
  EXPECT_EQ(colourOf(about.lblDisclaimer), RGB(0, 0, 0));
  EXPECT_EQ(colourOf(about.Label2), GetSysColor(COLOR_BTNTEXT));
  DeleteDC(dc);

  about.Show();  // asked again: the same box
  EXPECT_EQ(about.hWnd(), dlg);
  EXPECT_EQ(runtime.Forms().size(), 1u);
}

TEST_F(WinRuntimeTest, HandShowsOverTheLinksOnlyAndTheHourglassEverywhere) {
  frmAbout& about = frmAbout::Default();
  about.Show();
  HWND dlg = about.hWnd();
  HCURSOR hand = LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_VTRLINKHAND));
  ASSERT_NE(hand, nullptr);

  auto pointerOver = [&](const Control& control) -> HCURSOR {
    SetCursor(nullptr);
    LRESULT handled = SendMessageA(dlg, WM_SETCURSOR, reinterpret_cast<WPARAM>(runtime.ControlWindow(about, control)),
                                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return handled ? GetCursor() : nullptr;
  };
  for (const Control* control : about.Controls)
    EXPECT_EQ(pointerOver(*control), control->Kind == ControlKind::LinkLabel ? hand : nullptr) << control->Name;
  runtime.SetMousePointer(vbHourglass);
  const HCURSOR wait = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT));
  EXPECT_EQ(pointerOver(about.lblWebSite), wait);
  EXPECT_EQ(pointerOver(about.Label2), wait);
  runtime.SetMousePointer(vbDefault);
}

TEST_F(WinRuntimeTest, FileExistsOnlyForNormalFiles) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  std::string folder = std::string(temp) + "vtr-win-runtime";
  CreateDirectoryA(folder.c_str(), nullptr);
  std::string file = folder + "\\Vtr.exe";
  HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);

  for (auto [attributes, found] : {std::pair{FILE_ATTRIBUTE_NORMAL, true}, {FILE_ATTRIBUTE_READONLY, true},
                                    {FILE_ATTRIBUTE_HIDDEN, false}, {FILE_ATTRIBUTE_SYSTEM, false}}) {
    SetFileAttributesA(file.c_str(), attributes);
    EXPECT_EQ(runtime.FileExists(file), found) << attributes;
  }
  SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_FALSE(runtime.FileExists(folder));
  EXPECT_FALSE(runtime.FileExists(folder + "\\*.exe"));
  EXPECT_FALSE(runtime.FileExists(folder + "\\Missing.exe"));
  EXPECT_FALSE(runtime.FileExists(""));
  DeleteFileA(file.c_str());
  RemoveDirectoryA(folder.c_str());
}

TEST_F(WinRuntimeTest, LaunchStartsTheNamedProgramWhateverTheCommandLineSays) {
  char system[MAX_PATH];
  GetSystemDirectoryA(system, MAX_PATH);
  std::string cmd = std::string(system) + "\\cmd.exe";
  EXPECT_TRUE(runtime.Launch(cmd, cmd + " /c exit 0"));
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
  NOTIFYICONDATAA record = IconRecordOf(form.hWnd());
  EXPECT_FALSE(runtime.Shell_NotifyIconA(NIM_ADD, &record));
  ASSERT_TRUE(PumpUntil([&] { return shell.Count(NIM_ADD) == 4; })) << shell.Count(NIM_ADD) << " adds";
  EXPECT_EQ(shell.refusals, 0) << "the last add was taken";
  PumpFor(100);
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
  PumpFor(50);
  EXPECT_EQ(shell.Count(NIM_ADD), 8);

  // A deleted icon is never added again, by the timer or by "TaskbarCreated".
  FakeShell refusing;
  refusing.refusals = 1000;
  UseFakeShell(refusing);
  runtime.Shell_NotifyIconA(NIM_ADD, &record);
  ASSERT_TRUE(PumpUntil([&] { return refusing.Count(NIM_ADD) >= 3; }));
  runtime.Shell_NotifyIconA(NIM_DELETE, &record);
  const long adds = refusing.Count(NIM_ADD);
  SendMessageA(form.hWnd(), RegisterWindowMessageA("TaskbarCreated"), 0, 0);
  PumpFor(100);
  EXPECT_EQ(refusing.Count(NIM_ADD), adds);
}

// scenarios.sh runs this at 96, 120, 144 and 192 DPI: the program's icon
// holds a picture of each size, so none is stretched.
TEST_F(WinRuntimeTest, TheIconsHaveTheSizesOfTheScreensDpi) {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  std::printf("# %d DPI: small icon %d, icon %d\n", dpi, GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CXICON));
  FakeShell shell;
  UseFakeShell(shell);
  frmSysTray tray;
  tray.Load();
  ASSERT_NE(shell.added, nullptr) << "the tray form adds its icon";
  EXPECT_EQ(IconWidth(shell.added), GetSystemMetrics(SM_CXSMICON));
  EXPECT_EQ(IconWidth(shell.added), MulDiv(16, dpi, 96)) << dpi << " DPI";

  frmAbout& about = frmAbout::Default();
  about.Show();
  HWND picture = runtime.ControlWindow(about, about.Picture1);
  ASSERT_NE(picture, nullptr);
  HICON shown = reinterpret_cast<HICON>(SendMessageA(picture, STM_GETICON, 0, 0));
  EXPECT_EQ(IconWidth(shown), GetSystemMetrics(SM_CXICON));
  EXPECT_EQ(IconWidth(shown), MulDiv(32, dpi, 96)) << dpi << " DPI";
  about.Unload();
  tray.Unload(vbFormCode);
}

}  // namespace
