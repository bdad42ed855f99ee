// The tray form through the recording runtime, on the real registry of the
// platform: start-up, the icon and its tooltip, the mouse codes, the recent
// items, the menu commands and the end of a session.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "about/frmAbout.h"
#include "platform/modAPI.h"
#include "tests/RecordingRuntime.h"
#include "tests/RegistryTestSupport.h"
#include "tray/frmSysTray.h"
#include "tray/modSysTray.h"

namespace {

const char* const VantorelKey = "Software\\Vantorel";
const char* const OptionsKey = "Software\\Vantorel\\Options";
const char* const RecentKey = "Software\\Vantorel\\Recent";
const char* const AppPathsKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\vtr.exe";
const char* const RunKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

void SetString(const std::string& subKey, const std::string& name, const std::string& text) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS)
      << subKey;
  LONG result = RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                               static_cast<DWORD>(text.size() + 1));
  RegCloseKey(key);
  ASSERT_EQ(result, ERROR_SUCCESS) << name;
}

std::optional<std::string> GetString(const std::string& subKey, const std::string& name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  char buffer[1024] = {};
  DWORD size = sizeof buffer - 1;
  DWORD type = 0;
  LONG result = RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS) return std::nullopt;
  return std::string(buffer);
}

void DeleteValue(const std::string& subKey, const std::string& name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
  RegDeleteValueA(key, name.c_str());
  RegCloseKey(key);
}

std::string Blanks(std::string text) {
  text.resize(64, ' ');
  return text;
}

class TrayForm : public ::testing::Test {
 protected:
  void SetUp() override { CleanRegistry(); }
  void TearDown() override {
    runtime.OnCall = nullptr;
    if (frmAbout::Default().IsLoaded()) frmAbout::Default().Unload();
    CleanRegistry();
  }
  static void CleanRegistry() {
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, VantorelKey);
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, AppPathsKey);
    DeleteValue(RunKey, "VtrSysTray");
    DeleteValue(RunKey, "VtrTestNeighbour");
  }

  // The shell's callback: the mouse code in place of the horizontal position, in pixels.
  void Callback(frmSysTray& target, int code) { target.RaiseMouseMove(0, 0, static_cast<float>(code), 0); }
  void Callback(int code) { Callback(form, code); }

  // A main program registered in App Paths, and the utility loaded.
  void LoadWithProgram(const std::string& path = "C:\\Program Files\\Vantorel\\Vtr.exe") {
    SetString(AppPathsKey, "", path);
    form.Load();
  }
  void StoreRecent(const std::vector<std::string>& files, const std::string& maxFile = "5") {
    SetString(RecentKey, "MaxFile", maxFile);
    for (std::size_t i = 0; i < files.size(); ++i) {
      SetString(RecentKey, "File" + std::to_string(i + 1), files[i]);
    }
  }
  std::optional<std::string> Option(const std::string& name) { return GetString(OptionsKey, name); }

  RecordingRuntime runtime;
  frmSysTray form;
};

// ---- Start-up: finding the main program --------------------------------------------

TEST_F(TrayForm, RegisteredPathIsTakenAsItStandsWithoutLookingForTheFile) {
  LoadWithProgram(" D:\\Gone\\Vtr.exe ");
  EXPECT_EQ(form.strAppPath, " D:\\Gone\\Vtr.exe ");
  EXPECT_TRUE(form.bAppFound);
  EXPECT_TRUE(form.mnuOpen.Enabled);
  EXPECT_TRUE(runtime.CallsStartingWith("FileExists").empty());
  EXPECT_TRUE(runtime.CallsStartingWith("GetWindowsDirectoryA").empty());
}

TEST_F(TrayForm, EmptyRegisteredPathMeansNoProgramAndNoOtherPlaceIsTried) {
  runtime.ExistingFiles.insert("C:\\Tools\\Vtr.exe");
  LoadWithProgram("");
  EXPECT_EQ(form.strAppPath, "");
  EXPECT_FALSE(form.bAppFound);
  EXPECT_FALSE(form.mnuOpen.Enabled);
  EXPECT_TRUE(runtime.CallsStartingWith("FileExists").empty());
}

TEST_F(TrayForm, WithoutRegistrationTheProgramBesideTheUtilityIsUsed) {
  runtime.WindowsDirectory = "D:\\WINNT";
  runtime.ExistingFiles = {"c:\\tools\\vtr.exe", "D:\\Program Files\\Vantorel\\Vtr.exe"};
  form.Load();
  EXPECT_EQ(form.strAppPath, "C:\\Tools\\Vtr.exe");
  EXPECT_TRUE(form.mnuOpen.Enabled);
  EXPECT_TRUE(runtime.CallsStartingWith("GetWindowsDirectoryA").empty());
}

TEST_F(TrayForm, RegistrationKeyWithoutDefaultValueCountsAsMissing) {
  SetString(AppPathsKey, "Path", "C:\\Elsewhere");
  runtime.ExistingFiles = {"C:\\Tools\\Vtr.exe"};
  form.Load();
  EXPECT_EQ(form.strAppPath, "C:\\Tools\\Vtr.exe");
}

TEST_F(TrayForm, ThenProgramFilesOnTheWindowsDirectorysDrive) {
  runtime.WindowsDirectory = "D:\\WINNT";
  runtime.ExistingFiles = {"D:\\Program Files\\Vantorel\\Vtr.exe"};
  form.Load();
  EXPECT_EQ(form.strAppPath, "D:\\Program Files\\Vantorel\\Vtr.exe");
  EXPECT_TRUE(form.bAppFound);
  EXPECT_EQ(runtime.CallsStartingWith("FileExists"),
            (std::vector<std::string>{"FileExists C:\\Tools\\Vtr.exe",
                                      "FileExists D:\\Program Files\\Vantorel\\Vtr.exe"}));
  EXPECT_EQ(runtime.CallsStartingWith("GetWindowsDirectoryA"),
            (std::vector<std::string>{"GetWindowsDirectoryA 255"}));
}

TEST_F(TrayForm, NothingFoundLeavesNoProgramAndOpenDisabled) {
  runtime.WindowsDirectory = "WINDOWS";  // no backslash: no drive root
  form.Load();
  EXPECT_EQ(runtime.CallsStartingWith("FileExists").back(), "FileExists Program Files\\Vantorel\\Vtr.exe");
  EXPECT_EQ(form.strAppPath, "");
  EXPECT_FALSE(form.bAppFound);
  EXPECT_FALSE(form.mnuOpen.Enabled);
}

// ---- Start-up: the form, the settings and the icon ------------------------------------

TEST_F(TrayForm, LoadingAnnouncesTheUtilityHidesTheFormAndAddsTheIconUnderTheBusyPointer) {
  SetString(OptionsKey, "TrayIconActive", "0");
  std::optional<std::string> activeWhenIconAdded;
  runtime.OnCall = [&](const std::string& call) {
    if (call == "Shell_NotifyIconA 0") activeWhenIconAdded = Option("TrayIconActive");
  };
  LoadWithProgram();

  EXPECT_EQ(activeWhenIconAdded, std::optional<std::string>("1"));
  EXPECT_FALSE(form.ShowInTaskbar);
  EXPECT_TRUE(runtime.ShownForms.empty()) << "the tray form is never shown";
  EXPECT_EQ(runtime.Calls, (std::vector<std::string>{"CreateFormWindow frmSysTray", "MousePointer 11",
                                                     "UpdateFormWindow frmSysTray ShowInTaskbar=0",
                                                     "Shell_NotifyIconA 0", "MousePointer 0"}));
  EXPECT_EQ(runtime.MousePointer(), vbDefault);
}

TEST_F(TrayForm, IconRecordHasTheFirstNotifyIconLayout) {
  LoadWithProgram();
  ASSERT_EQ(runtime.IconCalls.size(), 1u);
  const auto& add = runtime.IconCalls[0];
  EXPECT_EQ(add.Message, static_cast<DWORD>(NIM_ADD));
  EXPECT_EQ(add.cbSize, static_cast<DWORD>(NOTIFYICONDATAA_V1_SIZE));
  EXPECT_EQ(add.hWnd, form.hWnd());
  EXPECT_NE(add.hWnd, nullptr);
  EXPECT_EQ(add.uID, 1u);
  EXPECT_EQ(add.uFlags, 7u);
  EXPECT_EQ(add.uCallbackMessage, 0x200u);
  EXPECT_EQ(add.hIcon, form.Icon());
  EXPECT_NE(add.hIcon, nullptr);
  EXPECT_EQ(add.Tip, Blanks("Last file applied: None"));
  EXPECT_TRUE(add.ZeroAfterTip) << "a zero byte follows the 64-character field";

  // The bytes the shell reads: the tooltip is the record's last 64 bytes.
  ASSERT_EQ(add.Bytes.size(), static_cast<std::size_t>(NOTIFYICONDATAA_V1_SIZE));
  EXPECT_EQ(offsetof(NOTIFYICONDATAA, szTip) + 64, static_cast<std::size_t>(NOTIFYICONDATAA_V1_SIZE));
  EXPECT_EQ(std::string(add.Bytes.end() - 64, add.Bytes.end()), add.Tip);
  DWORD fields[4];
  std::memcpy(fields, add.Bytes.data() + offsetof(NOTIFYICONDATAA, uID), sizeof fields[0] * 3);
  EXPECT_EQ(fields[0], 1u);
  EXPECT_EQ(fields[1], 7u);
  EXPECT_EQ(fields[2], 0x200u);
#if !defined(_WIN64)
  // The 32-bit record: 88 bytes, six 32-bit fields, then the tooltip.
  EXPECT_EQ(add.Bytes.size(), 88u);
  DWORD head[6];
  std::memcpy(head, add.Bytes.data(), sizeof head);
  EXPECT_EQ(head[0], 88u);
  EXPECT_EQ(head[1], static_cast<DWORD>(reinterpret_cast<uintptr_t>(form.hWnd())));
  EXPECT_EQ(head[2], 1u);
  EXPECT_EQ(head[3], 7u);
  EXPECT_EQ(head[4], 0x200u);
  EXPECT_EQ(head[5], static_cast<DWORD>(reinterpret_cast<uintptr_t>(form.Icon())));
#endif
}

// ---- The tooltip ---------------------------------------------------------------------

TEST_F(TrayForm, TooltipIsTrimmedAndBlankFilledWithoutATerminatingZero) {
  SetString(OptionsKey, "LastFileApplied", "");
  LoadWithProgram();
  EXPECT_EQ(runtime.IconCalls.back().Tip, Blanks("Last file applied:"));
  EXPECT_EQ(runtime.IconCalls.back().Tip.find('\0'), std::string::npos);

  SetString(OptionsKey, "LastFileApplied", "  C:\\Docs\\Plan  1.txt  ");
  Callback(WM_MOUSEMOVE);
  EXPECT_EQ(runtime.IconCalls.back().Tip, Blanks("Last file applied:   C:\\Docs\\Plan  1.txt"));
}

TEST_F(TrayForm, TooltipLongerThan64CharactersIsCut) {
  std::string name = "C:\\A very long folder name\\that goes on and on\\and on\\Report.txt";
  SetString(OptionsKey, "LastFileApplied", name);
  LoadWithProgram();
  std::string whole = "Last file applied: " + name;
  ASSERT_GT(whole.size(), 64u);
  EXPECT_EQ(runtime.IconCalls.back().Tip, whole.substr(0, 64));
  EXPECT_TRUE(runtime.IconCalls.back().ZeroAfterTip);
}

// ---- The mouse codes ------------------------------------------------------------------

TEST_F(TrayForm, PointerOverTheIconRereadsTheLastFileAndModifiesTheSameRecord) {
  LoadWithProgram();
  SetString(OptionsKey, "LastFileApplied", "D:\\Data\\Net 2.txt");
  runtime.Calls.clear();
  Callback(WM_MOUSEMOVE);

  EXPECT_EQ(runtime.Calls, (std::vector<std::string>{"Shell_NotifyIconA 1"}));
  const auto& modify = runtime.IconCalls.back();
  EXPECT_EQ(modify.Message, static_cast<DWORD>(NIM_MODIFY));
  EXPECT_EQ(modify.Tip, Blanks("Last file applied: D:\\Data\\Net 2.txt"));
  const auto& add = runtime.IconCalls.front();
  EXPECT_EQ(std::vector<uint8_t>(modify.Bytes.begin(), modify.Bytes.end() - 64),
            std::vector<uint8_t>(add.Bytes.begin(), add.Bytes.end() - 64))
      << "every field but the tooltip is sent unchanged";
}

TEST_F(TrayForm, OtherMouseCodesDoNothing) {
  LoadWithProgram();
  StoreRecent({"C:\\a.txt"});
  runtime.Calls.clear();
  for (int code : {0, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_RBUTTONDBLCLK, WM_MBUTTONDOWN,
                   WM_MBUTTONUP, 0x204 + 0x10000}) {
    Callback(code);
  }
  EXPECT_TRUE(runtime.Calls.empty()) << runtime.Calls.front();
}

TEST_F(TrayForm, CodeIsDecodedFromTwipsToTheNearestWholeNumber) {
  runtime.TwipsX = 12.0f;  // 120 DPI
  LoadWithProgram();
  Callback(WM_LBUTTONDBLCLK);
  ASSERT_EQ(runtime.Launches.size(), 1u);

  form.Form_MouseMove(0, 0, 515 * 12.0f + 5.0f, 0);  // 515.42 rounds to 515
  EXPECT_EQ(runtime.Launches.size(), 2u);
  form.Form_MouseMove(0, 0, 515 * 12.0f + 7.0f, 0);  // 515.58 rounds to 516: nothing
  EXPECT_EQ(runtime.Launches.size(), 2u);

  form.ScaleMode = vbPixels;
  form.Form_MouseMove(0, 0, 515.0f, 0);
  EXPECT_EQ(runtime.Launches.size(), 3u);
}

TEST_F(TrayForm, DoubleClickStartsTheProgramAloneWithItsPathGivenSeparately) {
  LoadWithProgram("C:\\Program Files\\Vantorel\\Vtr.exe");
  form.mnuOpen.Enabled = false;  // the double-click does not look at the menu
  Callback(WM_LBUTTONDBLCLK);
  ASSERT_EQ(runtime.Launches.size(), 1u);
  EXPECT_EQ(runtime.Launches[0].ProgramPath, "C:\\Program Files\\Vantorel\\Vtr.exe");
  EXPECT_EQ(runtime.Launches[0].CommandLine, "C:\\Program Files\\Vantorel\\Vtr.exe");
}

TEST_F(TrayForm, FailedDoubleClickIsSilent) {
  runtime.FailingPrograms.insert("D:\\Removed\\Vtr.exe");
  LoadWithProgram("D:\\Removed\\Vtr.exe");
  Callback(WM_LBUTTONDBLCLK);
  ASSERT_EQ(runtime.Launches.size(), 1u);
  EXPECT_FALSE(runtime.Launches[0].Started);
  EXPECT_TRUE(runtime.MsgBoxes.empty());
  EXPECT_TRUE(form.IsLoaded());

  form.Unload();
  DeleteRegistryTree(HKEY_LOCAL_MACHINE, AppPathsKey);
  frmSysTray noProgram;
  noProgram.Load();  // nothing registered now, nothing on disk
  ASSERT_FALSE(noProgram.bAppFound);
  Callback(noProgram, WM_LBUTTONDBLCLK);
  EXPECT_EQ(runtime.Launches.size(), 1u) << "nothing to start";
  EXPECT_TRUE(runtime.MsgBoxes.empty());
}

// ---- The recent items -------------------------------------------------------------------

TEST_F(TrayForm, RightButtonBuildsTheRecentItemsThenShowsThePopup) {
  LoadWithProgram();
  StoreRecent({"C:\\Docs\\Plan.txt", "D:\\Data\\Net 2.txt", "notes.txt"});
  runtime.Calls.clear();
  runtime.DismissPopup();
  Callback(WM_RBUTTONUP);

  EXPECT_EQ(runtime.Calls,
            (std::vector<std::string>{"MousePointer 11", "MousePointer 0", "PopupMenu mnuConfigure"}));
  ASSERT_EQ(runtime.Popups.size(), 1u);
  EXPECT_EQ(runtime.PopupFlags[0], vbPopupMenuRightButton);
  const auto& items = runtime.Popups[0];
  std::vector<std::string> names;
  for (const auto& item : items) names.push_back(item.Name);
  EXPECT_EQ(names, (std::vector<std::string>{"mnuOpen", "mnuSep_01", "mnuClose", "mnuCloseDisable", "mnuSep1",
                                             "mnuAbout", "sepRecent", "mnuFileRecent", "mnuFileRecent",
                                             "mnuFileRecent", "mnuFileRecent", "mnuFileRecent"}));
  EXPECT_EQ(items[0].Caption, "&Open Vantorel...");
  EXPECT_TRUE(items[0].Enabled);
  EXPECT_EQ(items[3].Caption, "Close and &Disable");
  EXPECT_EQ(items[5].Caption, "&About Vantorel");
  EXPECT_TRUE(items[6].Visible);
  EXPECT_EQ(items[7].Caption, "&1. Plan.txt");
  EXPECT_EQ(items[8].Caption, "&2. Net 2.txt");
  EXPECT_EQ(items[9].Caption, "&3. notes.txt");
  for (int i = 7; i <= 9; ++i) EXPECT_TRUE(items[i].Visible) << i;
  EXPECT_FALSE(items[10].Visible);
  EXPECT_FALSE(items[11].Visible);
  EXPECT_EQ(items[7].Index, 1);
  EXPECT_EQ(items[11].Index, 5);
}

TEST_F(TrayForm, FiveRecentFilesFillTheMenuAndAnEmptiedListHidesItAll) {
  LoadWithProgram();
  StoreRecent({"C:\\1.txt", "C:\\2.txt", "C:\\3.txt", "C:\\4.txt", "C:\\5.txt"}, "9");
  Callback(WM_RBUTTONUP);
  for (int16_t i = 1; i <= 5; ++i) {
    EXPECT_TRUE(form.mnuFileRecent(i).Visible);
    std::string digit = std::to_string(i);
    EXPECT_EQ(form.mnuFileRecent(i).Caption, "&" + digit + ". " + digit + ".txt");
  }
  EXPECT_TRUE(form.sepRecent.Visible);

  DeleteRegistryTree(HKEY_LOCAL_MACHINE, RecentKey);
  Callback(WM_RBUTTONUP);
  EXPECT_FALSE(form.sepRecent.Visible);
  for (int16_t i = 1; i <= 5; ++i) EXPECT_FALSE(form.mnuFileRecent(i).Visible) << i;
}

TEST_F(TrayForm, NamesWithoutABackslashShowWholeAndATrailingBackslashShowsNothing) {
  LoadWithProgram();
  StoreRecent({"C:\\Docs\\", "plain name.txt"});
  Callback(WM_RBUTTONUP);
  EXPECT_EQ(form.mnuFileRecent(1).Caption, "&1. ");
  EXPECT_EQ(form.mnuFileRecent(2).Caption, "&2. plain name.txt");
  EXPECT_FALSE(form.mnuFileRecent(3).Visible);
}

TEST_F(TrayForm, WithoutAProgramTheMenuOffersNoLaunch) {
  form.Load();
  ASSERT_FALSE(form.bAppFound);
  StoreRecent({"C:\\a.txt", "C:\\b.txt"});
  runtime.ChoosePopupItem("mnuOpen");
  Callback(WM_RBUTTONUP);
  const auto& items = runtime.Popups.at(0);
  EXPECT_FALSE(items[0].Enabled);
  for (std::size_t i = 6; i < items.size(); ++i) EXPECT_FALSE(items[i].Visible) << items[i].Name;
  EXPECT_TRUE(runtime.Launches.empty());
  EXPECT_EQ(runtime.PointerShapes, (std::vector<int16_t>{vbHourglass, vbDefault, vbHourglass, vbDefault}));
}

// ---- The menu commands ---------------------------------------------------------------------

TEST_F(TrayForm, OpenStartsTheProgramAlone) {
  LoadWithProgram();
  runtime.ChoosePopupItem("mnuOpen");
  Callback(WM_RBUTTONUP);
  ASSERT_EQ(runtime.Launches.size(), 1u);
  EXPECT_EQ(runtime.Launches[0].CommandLine, "C:\\Program Files\\Vantorel\\Vtr.exe");
  EXPECT_EQ(runtime.Launches[0].ProgramPath, "C:\\Program Files\\Vantorel\\Vtr.exe");
}

TEST_F(TrayForm, RecentItemStartsTheProgramWithTheEntryReadAtTheClickInQuotes) {
  LoadWithProgram("C:\\Program Files\\Vantorel\\Vtr.exe");
  StoreRecent({"C:\\a.txt", "D:\\Data\\Net 2.txt", "C:\\c.txt"});
  runtime.OnCall = [](const std::string& call) {
    if (call == "PopupMenu mnuConfigure") SetString(RecentKey, "File2", "D:\\Data\\Net 3.txt");
  };
  runtime.ChoosePopupItem("mnuFileRecent", 2);
  runtime.PointerShapes.clear();
  Callback(WM_RBUTTONUP);

  EXPECT_EQ(form.mnuFileRecent(2).Caption, "&2. Net 2.txt");
  ASSERT_EQ(runtime.Launches.size(), 1u);
  EXPECT_EQ(runtime.Launches[0].ProgramPath, "C:\\Program Files\\Vantorel\\Vtr.exe");
  EXPECT_EQ(runtime.Launches[0].CommandLine, "C:\\Program Files\\Vantorel\\Vtr.exe \"D:\\Data\\Net 3.txt\"");
  EXPECT_EQ(runtime.PointerShapes, (std::vector<int16_t>{vbHourglass, vbDefault, vbHourglass, vbDefault}));
}

TEST_F(TrayForm, RecentItemBeyondTheListReadAfreshStartsNothing) {
  LoadWithProgram();
  StoreRecent({"C:\\a.txt", "C:\\b.txt", "C:\\c.txt"});
  runtime.OnCall = [](const std::string& call) {
    if (call == "PopupMenu mnuConfigure") DeleteValue(RecentKey, "File3");
  };
  runtime.ChoosePopupItem("mnuFileRecent", 3);
  Callback(WM_RBUTTONUP);
  EXPECT_TRUE(form.mnuFileRecent(3).Visible);
  EXPECT_TRUE(runtime.Launches.empty());
  EXPECT_TRUE(runtime.MsgBoxes.empty());
  EXPECT_EQ(runtime.MousePointer(), vbDefault);
}

TEST_F(TrayForm, MenuLaunchThatFailsSaysWhichProgramAndKeepsRunning) {
  runtime.FailingPrograms.insert("D:\\Removed\\Vtr.exe");
  LoadWithProgram("D:\\Removed\\Vtr.exe");
  StoreRecent({"C:\\a.txt"});
  runtime.ChoosePopupItem("mnuOpen");
  Callback(WM_RBUTTONUP);
  runtime.ChoosePopupItem("mnuFileRecent", 1);
  Callback(WM_RBUTTONUP);

  ASSERT_EQ(runtime.Launches.size(), 2u);
  ASSERT_EQ(runtime.MsgBoxes.size(), 2u);
  for (const auto& box : runtime.MsgBoxes) {
    EXPECT_NE(box.Prompt.find("D:\\Removed\\Vtr.exe"), std::string::npos) << box.Prompt;
    EXPECT_NE(box.Prompt.find("could not be started"), std::string::npos) << box.Prompt;
    EXPECT_EQ(box.Buttons, vbOKOnly + vbExclamation);
    EXPECT_EQ(box.Title, "VtrSysTray");
  }
  EXPECT_TRUE(form.IsLoaded());
  EXPECT_EQ(runtime.MousePointer(), vbDefault) << "no busy pointer left behind";
}

TEST_F(TrayForm, AboutShowsOneBoxThatKeepsTheProgramAliveAfterClose) {
  LoadWithProgram();
  SetString(OptionsKey, "AutoShutdown", "1");
  runtime.ChoosePopupItem("mnuAbout");
  Callback(WM_RBUTTONUP);
  runtime.ChoosePopupItem("mnuAbout");
  Callback(WM_RBUTTONUP);
  frmAbout& about = frmAbout::Default();
  EXPECT_TRUE(about.IsLoaded());
  EXPECT_EQ(runtime.ShownForms, (std::vector<std::string>{"frmAbout", "frmAbout"}));
  EXPECT_EQ(runtime.WindowsCreated, 2) << "the tray form's window and one About box";

  runtime.ChoosePopupItem("mnuClose");
  Callback(WM_RBUTTONUP);
  EXPECT_FALSE(form.IsLoaded());
  EXPECT_TRUE(runtime.MsgBoxes.empty()) << "Close asks nothing, even with AutoShutdown 1";
  EXPECT_EQ(runtime.IconCalls.back().Message, static_cast<DWORD>(NIM_DELETE));
  EXPECT_EQ(Option("TrayIconActive"), std::optional<std::string>("0"));
  EXPECT_FALSE(runtime.Ended) << "the About box is still open";

  about.RaiseClick(about.cmdOK);
  EXPECT_TRUE(runtime.Ended);
}

TEST_F(TrayForm, CloseRemovesTheIconWithTheSameRecordAndEndsTheProgram) {
  LoadWithProgram();
  form.mnuClose_Click();
  EXPECT_FALSE(form.IsLoaded());
  ASSERT_EQ(runtime.IconCalls.size(), 2u);
  EXPECT_EQ(runtime.IconCalls[1].Message, static_cast<DWORD>(NIM_DELETE));
  EXPECT_EQ(runtime.IconCalls[1].Bytes, runtime.IconCalls[0].Bytes);
  EXPECT_EQ(Option("TrayIconActive"), std::optional<std::string>("0"));
  EXPECT_EQ(Option("TrayIcon"), std::nullopt);
  EXPECT_TRUE(runtime.Ended);
}

TEST_F(TrayForm, CloseAndDisableRemovesOnlyTheStartEntry) {
  SetString(RunKey, "VtrSysTray", "C:\\Tools\\VtrSysTray.exe");
  SetString(RunKey, "VtrTestNeighbour", "C:\\Other.exe");
  LoadWithProgram();
  // Both registry steps come before the unload removes the icon.
  std::optional<std::string> trayIconAtUnload, startEntryAtUnload;
  runtime.OnCall = [&](const std::string& call) {
    if (call != "Shell_NotifyIconA 2") return;
    trayIconAtUnload = Option("TrayIcon");
    startEntryAtUnload = GetString(RunKey, "VtrSysTray");
  };
  runtime.ChoosePopupItem("mnuCloseDisable");
  Callback(WM_RBUTTONUP);
  EXPECT_EQ(trayIconAtUnload, std::optional<std::string>("0"));
  EXPECT_EQ(startEntryAtUnload, std::nullopt);
  EXPECT_FALSE(form.IsLoaded());
  EXPECT_EQ(GetString(RunKey, "VtrSysTray"), std::nullopt);
  EXPECT_EQ(GetString(RunKey, "VtrTestNeighbour"), std::optional<std::string>("C:\\Other.exe"));
  EXPECT_EQ(Option("TrayIcon"), std::optional<std::string>("0"));
  EXPECT_EQ(Option("TrayIconActive"), std::optional<std::string>("0"));
  EXPECT_TRUE(runtime.Ended);
}

TEST_F(TrayForm, CloseAndDisableWithoutAStartEntryClosesQuietly) {
  LoadWithProgram();
  form.mnuCloseDisable_Click();
  EXPECT_FALSE(form.IsLoaded());
  EXPECT_EQ(Option("TrayIcon"), std::optional<std::string>("0"));
  EXPECT_TRUE(runtime.MsgBoxes.empty());
}

// ---- The end of a session -----------------------------------------------------------------

TEST_F(TrayForm, SessionEndWithoutAutoShutdownOneAsksNothing) {
  for (const char* setting : {static_cast<const char*>(nullptr), "0", "01", " 1", "1 ", "yes"}) {
    frmSysTray copy;
    if (setting) SetString(OptionsKey, "AutoShutdown", setting);
    SetString(AppPathsKey, "", "C:\\Vtr.exe");
    copy.Load();
    EXPECT_TRUE(copy.Unload(vbAppWindows)) << (setting ? setting : "(missing)");
    EXPECT_EQ(Option("TrayIconActive"), std::optional<std::string>("0"));
  }
  EXPECT_TRUE(runtime.MsgBoxes.empty());
  EXPECT_TRUE(runtime.Launches.empty());
}

TEST_F(TrayForm, SessionEndAnsweredNoLetsTheUtilityGo) {
  SetString(OptionsKey, "AutoShutdown", "1");
  LoadWithProgram();
  runtime.MsgBoxAnswers.push_back(vbNo);
  EXPECT_TRUE(form.Unload(vbAppWindows));
  ASSERT_EQ(runtime.MsgBoxes.size(), 1u);
  EXPECT_EQ(runtime.MsgBoxes[0].Prompt,
            "Vantorel has been set to run at ShutDown/Logoff.\r\n\r\nWould you like to run Vantorel now?");
  EXPECT_EQ(runtime.MsgBoxes[0].Buttons, 36);
  EXPECT_EQ(runtime.MsgBoxes[0].Title, "Vantorel");
  EXPECT_TRUE(runtime.Launches.empty());
  EXPECT_EQ(runtime.IconCalls.back().Message, static_cast<DWORD>(NIM_DELETE));
  EXPECT_EQ(Option("TrayIconActive"), std::optional<std::string>("0"));
  EXPECT_TRUE(runtime.Ended);
}

TEST_F(TrayForm, SessionEndAnsweredYesStartsTheProgramAndRefuses) {
  SetString(OptionsKey, "AutoShutdown", "1");
  LoadWithProgram("C:\\Program Files\\Vantorel\\Vtr.exe");
  runtime.MsgBoxAnswers.push_back(vbYes);
  EXPECT_FALSE(form.Unload(vbAppWindows));
  ASSERT_EQ(runtime.Launches.size(), 1u);
  EXPECT_EQ(runtime.Launches[0].CommandLine, "C:\\Program Files\\Vantorel\\Vtr.exe");
  EXPECT_TRUE(form.IsLoaded());
  EXPECT_EQ(runtime.IconCalls.size(), 1u) << "the icon stays";
  EXPECT_EQ(Option("TrayIconActive"), std::optional<std::string>("1"));
  EXPECT_FALSE(runtime.Ended);

  // The setting is read at every request: once it is no longer "1", the
  // next session end asks nothing and goes ahead.
  SetString(OptionsKey, "AutoShutdown", "0");
  runtime.MsgBoxAnswers.push_back(vbYes);
  EXPECT_TRUE(form.Unload(vbAppWindows));
  EXPECT_EQ(runtime.MsgBoxes.size(), 1u);
  EXPECT_EQ(runtime.Launches.size(), 1u);
}

TEST_F(TrayForm, OtherUnloadReasonsNeverAsk) {
  SetString(OptionsKey, "AutoShutdown", "1");
  for (int16_t mode : {vbFormControlMenu, vbFormCode, vbAppTaskManager, vbFormMDIForm, vbFormOwner}) {
    frmSysTray copy;
    SetString(AppPathsKey, "", "C:\\Vtr.exe");
    copy.Load();
    runtime.MsgBoxAnswers.push_back(vbYes);
    EXPECT_TRUE(copy.Unload(mode)) << mode;
    runtime.MsgBoxAnswers.clear();
  }
  EXPECT_TRUE(runtime.MsgBoxes.empty());
  EXPECT_TRUE(runtime.Launches.empty());
}

TEST_F(TrayForm, SessionEndAnsweredYesWithoutAProgramGoesAhead) {
  SetString(OptionsKey, "AutoShutdown", "1");
  form.Load();
  ASSERT_FALSE(form.bAppFound);
  runtime.MsgBoxAnswers.push_back(vbYes);
  EXPECT_TRUE(form.Unload(vbAppWindows));
  EXPECT_EQ(runtime.MsgBoxes.size(), 1u);
  EXPECT_TRUE(runtime.Launches.empty());
  EXPECT_EQ(Option("TrayIconActive"), std::optional<std::string>("0"));
}

TEST_F(TrayForm, SessionEndAnsweredYesWhenTheProgramWillNotStartSaysSoAndGoesAhead) {
  SetString(OptionsKey, "AutoShutdown", "1");
  runtime.FailingPrograms.insert("D:\\Removed\\Vtr.exe");
  LoadWithProgram("D:\\Removed\\Vtr.exe");
  runtime.MsgBoxAnswers.push_back(vbYes);
  EXPECT_TRUE(form.Unload(vbAppWindows));
  ASSERT_EQ(runtime.MsgBoxes.size(), 2u);
  EXPECT_NE(runtime.MsgBoxes[1].Prompt.find("D:\\Removed\\Vtr.exe"), std::string::npos);
  EXPECT_FALSE(form.IsLoaded());
}

// ---- Two copies ---------------------------------------------------------------------------

// Two copies are two processes that share only the registry. Each keeps its
// own runtime and its own icon record; the test switches between them.
TEST_F(TrayForm, TwoCopiesHaveTwoIconsAndTheFirstToLeaveClearsTheFlag) {
  SetString(AppPathsKey, "", "C:\\Vtr.exe");
  form.Load();
  NOTIFYICONDATAA recordA = TrayIconData;

  NOTIFYICONDATAA recordB{};
  RecordingRuntime runtimeB;  // now the current runtime
  frmSysTray copyB;
  TrayIconData = NOTIFYICONDATAA{};
  copyB.Load();
  recordB = TrayIconData;
  ASSERT_EQ(runtimeB.IconCalls.size(), 1u);
  EXPECT_NE(runtimeB.IconCalls[0].hWnd, runtime.IconCalls[0].hWnd);

  TrayIconData = recordA;
  form.mnuClose_Click();
  ASSERT_EQ(runtime.IconCalls.back().Message, static_cast<DWORD>(NIM_DELETE));
  EXPECT_EQ(runtime.IconCalls.back().hWnd, runtime.IconCalls[0].hWnd) << "copy A removes its own icon";
  EXPECT_TRUE(runtime.Ended);
  EXPECT_EQ(Option("TrayIconActive"), std::optional<std::string>("0"));

  TrayIconData = recordB;
  EXPECT_TRUE(copyB.IsLoaded());
  EXPECT_FALSE(runtimeB.Ended);
  Callback(copyB, WM_MOUSEMOVE);
  EXPECT_EQ(runtimeB.IconCalls.back().hWnd, copyB.hWnd());
  copyB.mnuClose_Click();
  EXPECT_TRUE(runtimeB.Ended);
}

}  // namespace
