// The tray form through the recording runtime, on the real registry of the
// platform: start-up, the icon and its tooltip, the mouse codes, the recent
// items, the menu commands and the end of a session.
#include <gtest/gtest.h>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "about/frmAbout.h"
#include "platform/modAPI.h"
#ifdef _WIN32
#include <shellapi.h>
#else
#include "platform/emu/Launcher.h"
#endif
#include "tests/RawRegistry.h"
#include "tests/RecordingRuntime.h"
#include "tests/RegistryTestSupport.h"
#include "tray/frmSysTray.h"
#include "tray/StartupEntry.h"
#include "tray/modSysTray.h"

namespace {

const char* const VantorelKey = "Software\\Vantorel";
const char* const OptionsKey = "Software\\Vantorel\\Options";
const char* const RecentKey = "Software\\Vantorel\\Recent";
const char* const AppPathsKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\vtr.exe";
const char* const RunKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

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
    rawreg::DeleteValue(HKEY_LOCAL_MACHINE, RunKey, "VtrSysTray");
    rawreg::DeleteValue(HKEY_LOCAL_MACHINE, RunKey, "VtrTestNeighbour");
  }

  // The shell's callback: the mouse code in place of the horizontal position, in pixels.
  void Callback(frmSysTray& target, int code) { target.RaiseMouseMove(0, 0, static_cast<float>(code), 0); }
  void Callback(int code) { Callback(form, code); }

  // A main program registered in App Paths, and the utility loaded.
  void LoadWithProgram(const std::string& path = "C:\\Program Files\\Vantorel\\Vtr.exe") {
    rawreg::SetString(HKEY_LOCAL_MACHINE, AppPathsKey, "", path);
    form.Load();
  }
  void StoreRecent(const std::vector<std::string>& files, const std::string& maxFile = "5") {
    rawreg::SetString(HKEY_LOCAL_MACHINE, RecentKey, "MaxFile", maxFile);
    for (std::size_t i = 0; i < files.size(); ++i) {
      rawreg::SetString(HKEY_LOCAL_MACHINE, RecentKey, "File" + std::to_string(i + 1), files[i]);
    }
  }
  std::optional<std::string> Option(const std::string& name) {
    return rawreg::GetString(HKEY_LOCAL_MACHINE, OptionsKey, name);
  }

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

TEST_F(TrayForm, WithoutRegistrationTheProgramBesideTheUtilityIsUsed) {
  runtime.WindowsDirectory = "D:\\WINNT";
  runtime.ExistingFiles = {"c:\\tools\\vtr.exe", "D:\\Program Files\\Vantorel\\Vtr.exe"};
  form.Load();
  EXPECT_EQ(form.strAppPath, "C:\\Tools\\Vtr.exe");
  EXPECT_TRUE(form.mnuOpen.Enabled);
  EXPECT_TRUE(runtime.CallsStartingWith("GetWindowsDirectoryA").empty());
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
  rawreg::SetString(HKEY_LOCAL_MACHINE, OptionsKey, "TrayIconActive", "0");
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
  EXPECT_EQ(runtime.IconCalls.at(0).Tip, Blanks("Last file applied: None"));
}

// ---- The tooltip ---------------------------------------------------------------------

TEST_F(TrayForm, TooltipIsTrimmedAndBlankFilledOrCutTo64WithoutATerminatingZero) {
  rawreg::SetString(HKEY_LOCAL_MACHINE, OptionsKey, "LastFileApplied", "");
  LoadWithProgram();
  EXPECT_EQ(runtime.IconCalls.back().Tip, Blanks("Last file applied:"));
  EXPECT_EQ(runtime.IconCalls.back().Tip.find('\0'), std::string::npos);

  rawreg::SetString(HKEY_LOCAL_MACHINE, OptionsKey, "LastFileApplied", "  C:\\Docs\\Plan  1.txt  ");
  Callback(WM_MOUSEMOVE);
  EXPECT_EQ(runtime.IconCalls.back().Tip, Blanks("Last file applied:   C:\\Docs\\Plan  1.txt"));

  std::string name = "C:\\A very long folder name\\that goes on and on\\and on\\Report.txt";
  rawreg::SetString(HKEY_LOCAL_MACHINE, OptionsKey, "LastFileApplied", name);
  Callback(WM_MOUSEMOVE);
  std::string whole = "Last file applied: " + name;
  ASSERT_GT(whole.size(), 64u);
  EXPECT_EQ(runtime.IconCalls.back().Tip, whole.substr(0, 64));
  EXPECT_TRUE(runtime.IconCalls.back().ZeroAfterTip);
}

// ---- The mouse codes ------------------------------------------------------------------

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

TEST_F(TrayForm, DoubleClickThatStartsNothingShowsNothingAndTheUtilityRuns) {
  LoadWithProgram("D:\\Gone\\Vtr.exe");
  runtime.FailingPrograms.insert("D:\\Gone\\Vtr.exe");
  Callback(WM_LBUTTONDBLCLK);
  ASSERT_EQ(runtime.Launches.size(), 1u);
  EXPECT_FALSE(runtime.Launches[0].Started);

  frmSysTray withoutProgram;  // no main program found: nothing to start
  runtime.WindowsDirectory = "WINDOWS";
  DeleteRegistryTree(HKEY_LOCAL_MACHINE, AppPathsKey);
  withoutProgram.Load();
  Callback(withoutProgram, WM_LBUTTONDBLCLK);
  EXPECT_EQ(runtime.Launches.size(), 1u);

  EXPECT_TRUE(runtime.MsgBoxes.empty());
  EXPECT_TRUE(form.IsLoaded());
  EXPECT_FALSE(runtime.Ended);
  runtime.FailingPrograms.clear();
  Callback(WM_LBUTTONDBLCLK);  // the icon still answers
  EXPECT_TRUE(runtime.Launches.at(1).Started);
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
    if (call == "PopupMenu mnuConfigure") {
      rawreg::SetString(HKEY_LOCAL_MACHINE, RecentKey, "File2", "D:\\Data\\Net 3.txt");
    }
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

// The arguments as the started program's own rules read them back, after
// its name (the path, which stands in the line unquoted).
std::vector<std::string> ArgumentsOf(const std::string& line) {
#ifdef _WIN32
  const std::string commandLine = "Vtr.exe" + line.substr(std::string("C:\\Program Files\\Vantorel\\Vtr.exe").size());
  const int wideLength = MultiByteToWideChar(CP_ACP, 0, commandLine.c_str(), -1, nullptr, 0);
  std::wstring wide(static_cast<size_t>(wideLength), L'\0');
  MultiByteToWideChar(CP_ACP, 0, commandLine.c_str(), -1, wide.data(), wideLength);
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(wide.c_str(), &count);
  std::vector<std::string> args;
  for (int i = 1; argv != nullptr && i < count; ++i) {
    const int length = WideCharToMultiByte(CP_ACP, 0, argv[i], -1, nullptr, 0, nullptr, nullptr);
    std::string arg(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, argv[i], -1, arg.data(), length, nullptr, nullptr);
    arg.pop_back();
    args.push_back(arg);
  }
  LocalFree(argv);
  return args;
#else
  return emu::CommandLineArguments(line, "C:\\Program Files\\Vantorel\\Vtr.exe");
#endif
}

TEST_F(TrayForm, ARecentFileReachesTheProgramAsExactlyItsOneNameOrNotAtAll) {
  const std::string vtr = "C:\\Program Files\\Vantorel\\Vtr.exe";
  LoadWithProgram(vtr);
  StoreRecent({"C:\\dir\\", "C:\\a.vtr\" /evil \"b.vtr", "D:\\Data\\Net 2.txt", "\\\\server\\share\\\\"});
  for (int16_t item : {1, 2, 3, 4}) {
    runtime.ChoosePopupItem("mnuFileRecent", item);
    Callback(WM_RBUTTONUP);
  }

  ASSERT_EQ(runtime.Launches.size(), 3u);
  EXPECT_EQ(runtime.Launches[0].CommandLine, vtr + " \"C:\\dir\\\\\"");
  EXPECT_EQ(ArgumentsOf(runtime.Launches[0].CommandLine), std::vector<std::string>{"C:\\dir\\"});
  EXPECT_EQ(runtime.Launches[1].CommandLine, vtr + " \"D:\\Data\\Net 2.txt\"");  // as ever
  EXPECT_EQ(ArgumentsOf(runtime.Launches[2].CommandLine), std::vector<std::string>{"\\\\server\\share\\\\"});
  for (const auto& launch : runtime.Launches) EXPECT_EQ(launch.ProgramPath, vtr);

  // The name with a quote starts nothing, and the message says why.
  ASSERT_EQ(runtime.MsgBoxes.size(), 1u);
  EXPECT_EQ(runtime.MsgBoxes[0].Prompt, "The program \"" + vtr + "\" could not be started.\r\n"
                                        "The recent file's name holds a double quote, which no file name can hold.");
  EXPECT_EQ(runtime.MsgBoxes[0].Buttons, vbOKOnly + vbExclamation);
  EXPECT_EQ(runtime.MsgBoxes[0].Title, "VtrSysTray");
}

TEST_F(TrayForm, AboutShowsOneBoxThatKeepsTheProgramAliveAfterClose) {
  LoadWithProgram();
  rawreg::SetString(HKEY_LOCAL_MACHINE, OptionsKey, "AutoShutdown", "1");
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

TEST_F(TrayForm, CloseAndDisableRemovesOnlyTheStartEntry) {
  rawreg::SetString(HKEY_LOCAL_MACHINE, RunKey, "VtrSysTray", "C:\\Tools\\VtrSysTray.exe");
  rawreg::SetString(HKEY_LOCAL_MACHINE, RunKey, "VtrTestNeighbour", "C:\\Other.exe");
  LoadWithProgram();
  // Both registry steps come before the unload removes the icon.
  std::optional<std::string> trayIconAtUnload, startEntryAtUnload;
  runtime.OnCall = [&](const std::string& call) {
    if (call != "Shell_NotifyIconA 2") return;
    trayIconAtUnload = Option("TrayIcon");
    startEntryAtUnload = rawreg::GetString(HKEY_LOCAL_MACHINE, RunKey, "VtrSysTray");
  };
  runtime.ChoosePopupItem("mnuCloseDisable");
  Callback(WM_RBUTTONUP);
  EXPECT_EQ(trayIconAtUnload, std::optional<std::string>("0"));
  EXPECT_EQ(startEntryAtUnload, std::nullopt);
  EXPECT_FALSE(form.IsLoaded());
  EXPECT_EQ(rawreg::GetString(HKEY_LOCAL_MACHINE, RunKey, "VtrSysTray"), std::nullopt);
  EXPECT_EQ(rawreg::GetString(HKEY_LOCAL_MACHINE, RunKey, "VtrTestNeighbour"),
            std::optional<std::string>("C:\\Other.exe"));
  EXPECT_EQ(Option("TrayIcon"), std::optional<std::string>("0"));
  EXPECT_EQ(Option("TrayIconActive"), std::optional<std::string>("0"));
  EXPECT_TRUE(runtime.Ended);
  EXPECT_TRUE(runtime.MsgBoxes.empty()) << "a removal that works says nothing";
  EXPECT_TRUE(runtime.ElevatedRuns.empty());
}

TEST_F(TrayForm, CloseAndDisableWithoutAStartEntrySaysNothingAndCloses) {
  rawreg::SetString(HKEY_LOCAL_MACHINE, RunKey, "VtrTestNeighbour", "C:\\Other.exe");  // the key, without our value
  LoadWithProgram();
  EXPECT_EQ(RemoveStartupEntry(), ERROR_FILE_NOT_FOUND);
  runtime.ChoosePopupItem("mnuCloseDisable");
  Callback(WM_RBUTTONUP);
  EXPECT_FALSE(form.IsLoaded());
  EXPECT_EQ(Option("TrayIcon"), std::optional<std::string>("0"));
  EXPECT_TRUE(runtime.MsgBoxes.empty());
  EXPECT_TRUE(runtime.ElevatedRuns.empty());
  EXPECT_TRUE(runtime.Ended);
}

// ---- A removal of the start entry that the registry refuses ---------------------------------
// (Without administrator rights the machine's Run key may be read, not
// written: the refusal itself is staged end to end under Wine with the key's
// access list; here, what follows it.)

class RefusedRemoval : public TrayForm {
 protected:
  void SetUp() override {
    TrayForm::SetUp();
    rawreg::SetString(HKEY_LOCAL_MACHINE, RunKey, "VtrSysTray", "C:\\Tools\\VtrSysTray.exe");
    // What the elevated reg.exe does when it runs and works.
    runtime.OnCall = [this](const std::string& call) {
      if (call.rfind("RunElevated ", 0) == 0 && elevatedRemoves) {
        rawreg::DeleteValue(HKEY_LOCAL_MACHINE, RunKey, "VtrSysTray");
      }
    };
  }
  bool elevatedRemoves = false;
  std::string StartsAgain() const { return StartupEntryText::StartsAgain; }
};

TEST_F(RefusedRemoval, TheQuestionComesFirstAndAnElevatedRemovalThatWorksEndsIt) {
  runtime.MsgBoxAnswers = {vbYes};
  runtime.ElevatedAnswers = {ElevatedRun{ERROR_SUCCESS, 0}};
  elevatedRemoves = true;
  SettleStartupEntryRemoval(ERROR_ACCESS_DENIED);

  ASSERT_EQ(runtime.MsgBoxes.size(), 1u) << "no box after a removal that worked";
  EXPECT_EQ(runtime.MsgBoxes[0].Prompt, StartupEntryText::AskElevation);
  EXPECT_EQ(runtime.MsgBoxes[0].Buttons, vbYesNo + vbQuestion);
  EXPECT_EQ(runtime.MsgBoxes[0].Title, "VtrSysTray");
  ASSERT_EQ(runtime.ElevatedRuns.size(), 1u);
  // Windows' own tool by its full path, on the key and value of the entry.
  EXPECT_EQ(runtime.ElevatedRuns[0].ProgramPath, "C:\\WINDOWS\\System32\\reg.exe");
  EXPECT_NE(runtime.ElevatedRuns[0].Parameters.find(
                "delete \"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\" /v VtrSysTray /f /reg:"),
            std::string::npos)
      << runtime.ElevatedRuns[0].Parameters;
  EXPECT_EQ(rawreg::GetString(HKEY_LOCAL_MACHINE, RunKey, "VtrSysTray"), std::nullopt);
}

TEST_F(RefusedRemoval, NoOrADeclinedPromptSaysWhenItStartsAgain) {
  runtime.MsgBoxAnswers = {vbNo};
  SettleStartupEntryRemoval(ERROR_ACCESS_DENIED);
  EXPECT_TRUE(runtime.ElevatedRuns.empty()) << "No asks for no rights";
  ASSERT_EQ(runtime.MsgBoxes.size(), 2u);
  EXPECT_EQ(runtime.MsgBoxes[1].Prompt, StartsAgain());
  EXPECT_EQ(runtime.MsgBoxes[1].Buttons, vbOKOnly + vbInformation);

  runtime.MsgBoxes.clear();
  runtime.MsgBoxAnswers = {vbYes};
  runtime.ElevatedAnswers = {ElevatedRun{ERROR_CANCELLED, 0}};
  SettleStartupEntryRemoval(ERROR_ACCESS_DENIED);
  ASSERT_EQ(runtime.ElevatedRuns.size(), 1u);
  ASSERT_EQ(runtime.MsgBoxes.size(), 2u);
  EXPECT_EQ(runtime.MsgBoxes[1].Prompt, StartsAgain());
  EXPECT_EQ(rawreg::GetString(HKEY_LOCAL_MACHINE, RunKey, "VtrSysTray"),
            std::optional<std::string>("C:\\Tools\\VtrSysTray.exe"));
}

TEST_F(RefusedRemoval, AFailedElevatedRemovalIsToldByTheRegistryNotByTheToolsWord) {
  // reg.exe ran and answered success, yet the entry is still there.
  runtime.MsgBoxAnswers = {vbYes, vbOK, vbYes};
  runtime.ElevatedAnswers = {ElevatedRun{ERROR_SUCCESS, 0}, ElevatedRun{ERROR_SUCCESS, 1}};
  SettleStartupEntryRemoval(ERROR_ACCESS_DENIED);
  ASSERT_EQ(runtime.MsgBoxes.size(), 2u);
  EXPECT_EQ(runtime.MsgBoxes[1].Prompt, std::string(StartupEntryText::NotRemoved) + StartsAgain());
  EXPECT_EQ(runtime.MsgBoxes[1].Buttons, vbOKOnly + vbExclamation);

  // reg.exe failed, but the entry is gone (removed meanwhile): nothing to tell.
  rawreg::DeleteValue(HKEY_LOCAL_MACHINE, RunKey, "VtrSysTray");
  SettleStartupEntryRemoval(ERROR_ACCESS_DENIED);
  EXPECT_EQ(runtime.MsgBoxes.size(), 3u) << "only the question";
}

TEST_F(RefusedRemoval, OnlyARefusalAsks) {
  for (LONG result : {ERROR_SUCCESS, ERROR_FILE_NOT_FOUND, ERROR_INVALID_HANDLE}) SettleStartupEntryRemoval(result);
  EXPECT_TRUE(runtime.MsgBoxes.empty());
  EXPECT_TRUE(runtime.ElevatedRuns.empty());
}

// ---- The end of a session -----------------------------------------------------------------

TEST_F(TrayForm, SessionEndWithoutAutoShutdownOneAsksNothing) {
  for (const char* setting : {static_cast<const char*>(nullptr), "0", "01", " 1", "1 ", "yes"}) {
    frmSysTray copy;
    if (setting) rawreg::SetString(HKEY_LOCAL_MACHINE, OptionsKey, "AutoShutdown", setting);
    rawreg::SetString(HKEY_LOCAL_MACHINE, AppPathsKey, "", "C:\\Vtr.exe");
    copy.Load();
    EXPECT_TRUE(copy.Unload(vbAppWindows)) << (setting ? setting : "(missing)");
    EXPECT_EQ(Option("TrayIconActive"), std::optional<std::string>("0"));
  }
  EXPECT_TRUE(runtime.MsgBoxes.empty());
  EXPECT_TRUE(runtime.Launches.empty());
}

TEST_F(TrayForm, SessionEndAnsweredNoLetsTheUtilityGo) {
  rawreg::SetString(HKEY_LOCAL_MACHINE, OptionsKey, "AutoShutdown", "1");
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
  rawreg::SetString(HKEY_LOCAL_MACHINE, OptionsKey, "AutoShutdown", "1");
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
  rawreg::SetString(HKEY_LOCAL_MACHINE, OptionsKey, "AutoShutdown", "0");
  runtime.MsgBoxAnswers.push_back(vbYes);
  EXPECT_TRUE(form.Unload(vbAppWindows));
  EXPECT_EQ(runtime.MsgBoxes.size(), 1u);
  EXPECT_EQ(runtime.Launches.size(), 1u);
}

// ---- Two copies ---------------------------------------------------------------------------

// Two copies are two processes that share only the registry. Each keeps its
// own runtime and its own icon record; the test switches between them.
TEST_F(TrayForm, TwoCopiesHaveTwoIconsAndTheFirstToLeaveClearsTheFlag) {
  rawreg::SetString(HKEY_LOCAL_MACHINE, AppPathsKey, "", "C:\\Vtr.exe");
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
