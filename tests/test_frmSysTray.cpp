// The tray form through the recording runtime, on the real registry of the
// platform: start-up, the icon and its tooltip, the mouse codes, the recent
// items, the menu commands and the end of a session.
#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "about/frmAbout.h"
#include "tests/RawRegistry.h"
#include "tests/RecordingRuntime.h"
#include "tests/RegistryTestSupport.h"
#include "tray/StartupEntry.h"
#include "tray/frmSysTray.h"

namespace {

using Lines = std::vector<std::string>;
const char* const OptionsKey = "Software\\Vantorel\\Options";
const char* const RecentKey = "Software\\Vantorel\\Recent";
const char* const AppPathsKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\vtr.exe";
const char* const RunKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kVtr = "C:\\Program Files\\Vantorel\\Vtr.exe";

std::string Blanks(std::string text) {
  text.resize(64, ' ');
  return text;
}

class TrayForm : public ::testing::Test {
 protected:
  void SetUp() override { TearDown(); }
  void TearDown() override {
    runtime.OnCall = nullptr;
    if (frmAbout::Default().IsLoaded()) frmAbout::Default().Unload();
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, "Software\\Vantorel");
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, AppPathsKey);
    rawreg::DeleteValue(HKEY_LOCAL_MACHINE, RunKey, "VtrSysTray");
    rawreg::DeleteValue(HKEY_LOCAL_MACHINE, RunKey, "VtrTestNeighbour");
  }

  // The shell's callback: the mouse code in place of the horizontal position, in pixels.
  void Callback(int code) { form.RaiseMouseMove(0, 0, static_cast<float>(code), 0); }
  // A main program registered in App Paths, and the utility loaded.
  void LoadWithProgram(const std::string& path = kVtr) {
    rawreg::SetString(HKEY_LOCAL_MACHINE, AppPathsKey, "", path);
    form.Load();
  }
  static void SetOption(const std::string& name, const std::string& text) {
    rawreg::SetString(HKEY_LOCAL_MACHINE, OptionsKey, name, text);
  }
  static void StoreRecent(const Lines& files, const std::string& maxFile = "5") {
    rawreg::SetString(HKEY_LOCAL_MACHINE, RecentKey, "MaxFile", maxFile);
    for (size_t i = 0; i < files.size(); ++i)
      rawreg::SetString(HKEY_LOCAL_MACHINE, RecentKey, "File" + std::to_string(i + 1), files[i]);
  }
  static std::string Option(const std::string& name) {
    return rawreg::GetString(HKEY_LOCAL_MACHINE, OptionsKey, name).value_or("<missing>");
  }
  static std::string RunEntry() {
    return rawreg::GetString(HKEY_LOCAL_MACHINE, RunKey, "VtrSysTray").value_or("<missing>");
  }
  // The recent items' captions as the popup shows them (its visible items
  // below the separator), and the separator.
  Lines RecentItems() {
    Lines shown;
    bool below = false;
    for (const MenuItem* item : form.mnuConfigure.Items) {
      if (below && item->Visible) shown.push_back(item->Caption);
      below = below || item == &form.sepRecent;
    }
    EXPECT_EQ(form.sepRecent.Visible, !shown.empty());
    return shown;
  }
  // Unloaded: the icon it added went (another copy's stays) and the flag says so.
  void ExpectIconRemoved() {
    EXPECT_EQ(runtime.IconCalls.back().Message, static_cast<DWORD>(NIM_DELETE));
    EXPECT_EQ(runtime.IconCalls.back().hWnd, runtime.IconCalls.front().hWnd);
    EXPECT_EQ(Option("TrayIconActive"), "0");
  }

  RecordingRuntime runtime;
  frmSysTray form;
};

// ---- Start-up ---------------------------------------------------------------------------

TEST_F(TrayForm, TheMainProgramIsTheRegisteredOneElseBesideTheUtilityElseUnderProgramFiles) {
  // App Paths' value, the files there and the Windows directory; what is
  // found, after looking for which files in order.
  const struct {
    std::optional<std::string> registered; std::set<std::string> existing; const char* windows; std::string found;
    Lines looked;
  } cases[] = {
      // Taken as it stands, without looking for the file.
      {" D:\\Gone\\Vtr.exe ", {}, "C:\\WINDOWS", " D:\\Gone\\Vtr.exe ", {}},
      {std::nullopt, {"c:\\tools\\vtr.exe", "D:\\Program Files\\Vantorel\\Vtr.exe"}, "D:\\WINNT",
       "C:\\Tools\\Vtr.exe", {"FileExists C:\\Tools\\Vtr.exe"}},
      {std::nullopt, {"D:\\Program Files\\Vantorel\\Vtr.exe"}, "D:\\WINNT", "D:\\Program Files\\Vantorel\\Vtr.exe",
       {"FileExists C:\\Tools\\Vtr.exe", "FileExists D:\\Program Files\\Vantorel\\Vtr.exe"}},
      // No backslash in the Windows directory: no drive root.
      {std::nullopt, {}, "WINDOWS", "", {"FileExists C:\\Tools\\Vtr.exe", "FileExists Program Files\\Vantorel\\Vtr.exe"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.found);
    if (c.registered) rawreg::SetString(HKEY_LOCAL_MACHINE, AppPathsKey, "", *c.registered);
    runtime.ExistingFiles = c.existing;
    runtime.WindowsDirectory = c.windows;
    runtime.Calls.clear();
    frmSysTray tray;
    tray.Load();
    EXPECT_EQ(std::tuple(tray.strAppPath, tray.bAppFound, tray.mnuOpen.Enabled),
              std::tuple(c.found, !c.found.empty(), !c.found.empty()));
    EXPECT_EQ(runtime.CallsStartingWith("FileExists "), c.looked);
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, AppPathsKey);
  }
}

TEST_F(TrayForm, LoadingAnnouncesTheUtilityHidesTheFormAndAddsTheIconUnderTheBusyPointer) {
  SetOption("TrayIconActive", "0");
  std::string activeWhenIconAdded;
  runtime.OnCall = [&](const std::string& call) {
    if (call == "Shell_NotifyIconA 0") activeWhenIconAdded = Option("TrayIconActive");
  };
  LoadWithProgram();
  EXPECT_EQ(activeWhenIconAdded, "1");
  EXPECT_EQ(runtime.Calls, (Lines{"CreateFormWindow frmSysTray", "MousePointer 11",
                                  "UpdateFormWindow frmSysTray ShowInTaskbar=0", "Shell_NotifyIconA 0",
                                  "MousePointer 0"}));
  EXPECT_EQ(runtime.IconCalls.at(0).Tip, Blanks("Last file applied: None"));
}

// ---- The tooltip and the mouse codes ------------------------------------------------------

// (An empty name: the end-to-end scenario "beside".)
TEST_F(TrayForm, TooltipIsTrimmedAndBlankFilledOrCutTo64WithoutATerminatingZero) {
  const std::string name = "C:\\A very long folder name\\that goes on and on\\and on\\Report.txt";
  LoadWithProgram();
  for (const auto& [stored, tip] : std::vector<std::pair<std::string, std::string>>{
           {"  C:\\Docs\\Plan  1.txt  ", Blanks("Last file applied:   C:\\Docs\\Plan  1.txt")},
           {name, ("Last file applied: " + name).substr(0, 64)}}) {
    SetOption("LastFileApplied", stored);
    Callback(WM_MOUSEMOVE);
    EXPECT_EQ(runtime.IconCalls.back().Message, static_cast<DWORD>(NIM_MODIFY));
    EXPECT_EQ(runtime.IconCalls.back().Tip, tip);
  }
  EXPECT_TRUE(runtime.IconCalls.back().ZeroAfterTip);
}

// A double-click starts the program, a failure silently (the icon still
// answers). (Without a program nothing starts and no recent item shows:
// the end-to-end scenario "notfound".)
TEST_F(TrayForm, OnlyThreeCodesDoSomethingAndTheCodeIsRoundedFromTwips) {
  LoadWithProgram();
  StoreRecent({"C:\\a.txt"});
  runtime.Calls.clear();
  for (int code : {0, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_RBUTTONDBLCLK, WM_MBUTTONDOWN, WM_MBUTTONUP,
                   0x204 + 0x10000})
    Callback(code);
  EXPECT_EQ(runtime.Calls, Lines{});

  runtime.TwipsX = 12.0f;  // 120 DPI
  form.Form_MouseMove(0, 0, 515 * 12.0f + 5.0f, 0);  // 515.42 rounds to 515: a double-click
  form.Form_MouseMove(0, 0, 515 * 12.0f + 7.0f, 0);  // 515.58 rounds to 516: nothing
  runtime.FailingPrograms.insert(kVtr);
  form.ScaleMode = vbPixels;
  form.Form_MouseMove(0, 0, 515.0f, 0);
  runtime.FailingPrograms.clear();
  Callback(WM_LBUTTONDBLCLK);
  EXPECT_EQ(runtime.Calls, Lines(3, "Launch " + kVtr));
}

// ---- The recent items and the menu commands -------------------------------------------------

TEST_F(TrayForm, RightButtonBuildsTheRecentItemsThenShowsThePopup) {
  LoadWithProgram();
  StoreRecent({"C:\\Docs\\Plan.txt", "D:\\Data\\Net 2.txt", "notes.txt"});
  runtime.Calls.clear();
  Callback(WM_RBUTTONUP);
  EXPECT_EQ(runtime.Calls, (Lines{"MousePointer 11", "MousePointer 0", "PopupMenu mnuConfigure 2"}));
  EXPECT_EQ(RecentItems(), (Lines{"&1. Plan.txt", "&2. Net 2.txt", "&3. notes.txt"}));
  const std::pair<std::string, Lines> stores[] = {
      {"9", {"&1. 1.txt", "&2. 2.txt", "&3. 3.txt", "&4. 4.txt", "&5. 5.txt"}}, {"1", {"&1. 1.txt"}}, {"0", {}}};
  for (const auto& [maxFile, shown] : stores) {
    StoreRecent({"C:\\1.txt", "C:\\2.txt", "C:\\3.txt", "C:\\4.txt", "C:\\5.txt"}, maxFile);
    Callback(WM_RBUTTONUP);
    EXPECT_EQ(RecentItems(), shown);
  }
}

TEST_F(TrayForm, OpenAndTheRecentItemsStartTheProgramWithTheEntryReadAtTheClickAsOneArgument) {
  LoadWithProgram();
  StoreRecent({"C:\\dir\\", "D:\\Data\\Net 2.txt", "C:\\a.vtr\" /evil \"b.vtr", "\\\\server\\share\\\\"});
  runtime.Calls.clear();
  bool changed = false;  // File2, once, between the menu's building and the click
  runtime.OnCall = [&](const std::string& call) {
    if (call.rfind("PopupMenu", 0) == 0 && !changed)
      changed = true, rawreg::SetString(HKEY_LOCAL_MACHINE, RecentKey, "File2", "D:\\Net 3.txt");
  };
  runtime.ChoosePopupItem("mnuFileRecent", 2);
  Callback(WM_RBUTTONUP);
  EXPECT_EQ(form.mnuFileRecent(2).Caption, "&2. Net 2.txt");
  for (int16_t outside : {0, 6}) EXPECT_THROW(form.mnuFileRecent(outside), std::out_of_range);
  runtime.ChoosePopupItem("mnuOpen");
  for (int16_t item : {1, 3, 4}) runtime.ChoosePopupItem("mnuFileRecent", item);
  for (int i = 0; i < 4; ++i) Callback(WM_RBUTTONUP);

  // Backslashes before the closing quote doubled, as the program's own rules
  // read them. The name with a quote starts nothing, and the message says why.
  EXPECT_EQ(runtime.CallsStartingWith("Launch "),
            (Lines{"Launch " + kVtr + " \"D:\\Net 3.txt\"", "Launch " + kVtr, "Launch " + kVtr + " \"C:\\dir\\\\\"",
                   "Launch " + kVtr + " \"\\\\server\\share\\\\\\\\\""}));
  EXPECT_EQ(runtime.CallsStartingWith("MsgBox "),
            Lines{"MsgBox 48 VtrSysTray: The program \"" + kVtr + "\" could not be started.\r\n"
                  "The recent file's name holds a double quote, which no file name can hold."});
  EXPECT_EQ(runtime.CallsStartingWith("MousePointer").size(), 5u * 2 + 4 * 2) << "busy while reading the list";
}

TEST_F(TrayForm, AboutShowsOneBoxThatKeepsTheProgramAliveAfterClose) {
  LoadWithProgram();
  SetOption("AutoShutdown", "1");
  for (const char* item : {"mnuAbout", "mnuAbout", "mnuClose"}) {
    runtime.ChoosePopupItem(item);
    Callback(WM_RBUTTONUP);
  }
  EXPECT_EQ(runtime.CallsStartingWith("CreateFormWindow").size(), 2u) << "the tray form's window and one About box";
  EXPECT_EQ(runtime.CallsStartingWith("MsgBox"), Lines{}) << "Close asks nothing, even with AutoShutdown 1";
  ExpectIconRemoved();
  // The tray form unloaded; the About box still open, and the program with it.
  EXPECT_EQ(std::tuple(form.IsLoaded(), frmAbout::Default().IsLoaded(), runtime.Ended), std::tuple(false, true, false));

  frmAbout::Default().RaiseClick(frmAbout::Default().cmdOK);
  EXPECT_TRUE(runtime.Ended);
}

TEST_F(TrayForm, CloseAndDisableRemovesOnlyTheStartEntryBeforeTheIconGoes) {
  rawreg::SetString(HKEY_LOCAL_MACHINE, RunKey, "VtrSysTray", "C:\\Tools\\VtrSysTray.exe");
  rawreg::SetString(HKEY_LOCAL_MACHINE, RunKey, "VtrTestNeighbour", "C:\\Other.exe");
  LoadWithProgram();
  std::string atUnload;
  runtime.OnCall = [&](const std::string& call) {
    if (call == "Shell_NotifyIconA 2") atUnload = Option("TrayIcon") + " " + RunEntry();
  };
  runtime.ChoosePopupItem("mnuCloseDisable");
  Callback(WM_RBUTTONUP);
  EXPECT_EQ(atUnload, "0 <missing>");
  EXPECT_EQ(rawreg::GetString(HKEY_LOCAL_MACHINE, RunKey, "VtrTestNeighbour"), "C:\\Other.exe");
  ExpectIconRemoved();
  EXPECT_TRUE(runtime.Ended);
  EXPECT_EQ(runtime.CallsStartingWith("MsgBox"), Lines{}) << "a removal that works says nothing";
  EXPECT_EQ(RemoveStartupEntry(), ERROR_FILE_NOT_FOUND) << "the key without the entry";
}

// A removal of the start entry that the registry refuses. (Without
// administrator rights the machine's Run key may be read, not written: the
// refusal itself is staged end to end under Wine with the key's access list;
// here, what follows it.)
TEST_F(TrayForm, ARefusedRemovalOffersAdministratorRightsAndTheRegistrySaysWhetherItWorked) {
  const std::string ask = "MsgBox 36 VtrSysTray: " + std::string(StartupEntryText::AskElevation);
  const std::string again = "MsgBox 64 VtrSysTray: " + std::string(StartupEntryText::StartsAgain);
  const std::string notRemoved =
      "MsgBox 48 VtrSysTray: " + std::string(StartupEntryText::NotRemoved) + StartupEntryText::StartsAgain;
  // Windows' own tool by its full path (from the Windows directory), on the
  // key and value of the entry.
  const std::string win = "GetWindowsDirectoryA 255";
  const std::string run = "RunElevated C:\\WINDOWS\\System32\\reg.exe delete "
                          "\"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\" /v VtrSysTray /f /reg:" +
                          std::string(sizeof(void*) == 4 ? "32" : "64");
  // How the elevated reg.exe ended, if it ran; whether it removed the entry;
  // every call of the runtime.
  const struct {
    LONG result; int32_t answer; std::optional<ElevatedRun> elevated; bool removes; Lines calls;
  } cases[] = {
      {ERROR_FILE_NOT_FOUND, vbYes, std::nullopt, false, {}},  // only a refusal asks (a removal: above)
      {ERROR_ACCESS_DENIED, vbNo, std::nullopt, false, {ask, again}},
      {ERROR_ACCESS_DENIED, vbYes, ElevatedRun{ERROR_CANCELLED, 0}, false, {ask, win, run, again}},  // prompt declined
      // The tool's word counts for nothing: the registry tells.
      {ERROR_ACCESS_DENIED, vbYes, ElevatedRun{ERROR_SUCCESS, 0}, false, {ask, win, run, notRemoved}},
      {ERROR_ACCESS_DENIED, vbYes, ElevatedRun{ERROR_SUCCESS, 1}, true, {ask, win, run}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.result << " " << c.answer << " " << c.removes);
    rawreg::SetString(HKEY_LOCAL_MACHINE, RunKey, "VtrSysTray", "C:\\Tools\\VtrSysTray.exe");
    RecordingRuntime recorder;  // the current runtime for this case
    recorder.MsgBoxAnswers = {c.answer};
    if (c.elevated) recorder.ElevatedAnswers = {*c.elevated};
    recorder.OnCall = [&](const std::string& call) {
      if (call.rfind("RunElevated ", 0) == 0 && c.removes) rawreg::DeleteValue(HKEY_LOCAL_MACHINE, RunKey, "VtrSysTray");
    };
    SettleStartupEntryRemoval(c.result);
    EXPECT_EQ(recorder.Calls, c.calls);
    EXPECT_EQ(RunEntry(), c.removes ? "<missing>" : "C:\\Tools\\VtrSysTray.exe");
  }
}

// ---- The end of a session -----------------------------------------------------------------

// (With "1" it asks; Yes starts the program and refuses the end, No lets it
// end: the end-to-end scenario "session", and natively the terminal program's
// tests, test_vtrsystray.cpp.) Every other unload reason asks nothing, even
// with "1" and Yes at hand: among them the task manager's, which an
// installer's close request is (the scenario "installer").
TEST_F(TrayForm, SessionEndAsksOnlyWithAutoShutdownOne) {
  for (const char* setting : {"<missing>", "0", "01", " 1", "1 ", "yes"}) {
    frmSysTray copy;
    if (setting != std::string("<missing>")) SetOption("AutoShutdown", setting);
    copy.Load();
    EXPECT_TRUE(copy.Unload(vbAppWindows)) << setting;
  }
  SetOption("AutoShutdown", "1");
  for (int16_t mode : {vbFormControlMenu, vbFormCode, vbAppTaskManager, vbFormMDIForm, vbFormOwner}) {
    runtime.MsgBoxAnswers = {vbYes};
    LoadWithProgram();
    EXPECT_TRUE(form.Unload(mode)) << mode;
  }
  EXPECT_EQ(runtime.CallsStartingWith("MsgBox"), Lines{});
  EXPECT_EQ(runtime.CallsStartingWith("Launch"), Lines{});
}

}  // namespace
