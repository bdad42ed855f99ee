#include "tray/frmSysTray.h"

#include <cmath>
#include <cstring>
#include <exception>
#include <memory>
#include <optional>
#include <string>

#include "about/frmAbout.h"
#include "platform/BusyPointer.h"
#include "platform/WindowRuntime.h"
#include "platform/Strings.h"
#include "recent/clsMRUList.h"
#include "registry/clsEasyRegistry.h"
#include "registry/modSettings.h"
#include "tray/StartupEntry.h"
#include "tray/TrayTexts.h"
#include "tray/modSysTray.h"

namespace {

const char* const AppPathsKey =
    "\\HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\vtr.exe";

// Runs one statement of the tray callback: a failure is ignored and the
// callback goes on with its next statement.
template <class Statement>
void ResumeNext(Statement statement) {
  try {
    statement();
  } catch (...) {
  }
}

// A launch that did not start the main program; its description names the
// program, and on a second line the reason when one is known.
class LaunchError : public std::exception {
 public:
  explicit LaunchError(const std::string& programPath, const std::string& reason = "")
      : description_(programPath.empty()
                         ? std::string("Vantorel could not be started: its program was not found.")
                         : "The program \"" + programPath + "\" could not be started.") {
    if (!reason.empty()) description_ += "\r\n" + reason;
  }
  const char* what() const noexcept override { return description_.c_str(); }

 private:
  std::string description_;
};

// The drive root of a Windows directory: its text up to and including the
// first backslash ("C:\" for "C:\WINDOWS"), or "" without one.
std::string WindowsDriveRoot(ProcessesAndFiles& files) {
  char strBuffer[256] = {};
  (void)files.GetWindowsDirectoryA(strBuffer, 255);
  std::string strWinDir(strBuffer, ::strnlen(strBuffer, 255));
  std::size_t lngPos = strWinDir.find('\\');
  return lngPos == std::string::npos ? std::string() : strWinDir.substr(0, lngPos + 1);
}

}  // namespace

frmSysTray::frmSysTray() : Form("frmSysTray") {
  Caption = kTrayWindowCaption;
  BorderStyle = vbBSNone;
  MinButton = false;
  MaxButton = false;
  ScaleMode = vbTwips;

  mnuConfigure.Items = {&mnuOpen, &mnuSep_01, &mnuClose, &mnuCloseDisable, &mnuSep1, &mnuAbout, &sepRecent};
  for (int16_t i = mnuFileRecent.LBound(); i <= mnuFileRecent.UBound(); ++i) {
    mnuConfigure.Items.push_back(&mnuFileRecent(i));
    mnuFileRecent(i).Click = [this, i] {
      int16_t Index = i;
      mnuFileRecent_Click(Index);
    };
  }
  MenuBar = {&mnuConfigure};

  mnuOpen.Click = [this] { mnuOpen_Click(); };
  mnuClose.Click = [this] { mnuClose_Click(); };
  mnuCloseDisable.Click = [this] { mnuCloseDisable_Click(); };
  mnuAbout.Click = [this] { mnuAbout_Click(); };
}

void frmSysTray::Form_Load() {
  WindowRuntime& runtime = Runtime();
  BusyPointer busy(runtime);

  auto objReg = std::make_unique<clsEasyRegistry>();
  objReg->SuppressErrors(true);
  objReg->Cd(AppPathsKey);
  int32_t lngValueType = 0;
  RegistryValue vntAppPath = objReg->ValueOf("", lngValueType);
  if (objReg->lastError() == 0) {
    strAppPath = vntAppPath.Text;
  } else {
    ProcessesAndFiles& files = runtime.Processes();
    strAppPath = files.AppPath() + "\\Vtr.exe";
    if (!files.FileExists(strAppPath)) {
      strAppPath = WindowsDriveRoot(files) + "Program Files\\Vantorel\\Vtr.exe";
      if (!files.FileExists(strAppPath)) strAppPath = "";
    }
  }

  bAppFound = !strAppPath.empty();
  mnuOpen.Enabled = bAppFound;

  SaveRegSetting("Vantorel", "Options", "TrayIconActive", "1");

  // Never listed among the running programs' windows (and never shown).
  ShowInTaskbar = false;
  Refresh();

  TrayIconData.cbSize = NOTIFYICONDATAA_V1_SIZE;
  TrayIconData.hWnd = hWnd();
  TrayIconData.uID = 1;
  TrayIconData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  TrayIconData.uCallbackMessage = WM_MOUSEMOVE;
  TrayIconData.hIcon = Icon();
  SetTrayTip(TrayTipText());
  (void)runtime.Shell().Shell_NotifyIconA(NIM_ADD, &TrayIconData);

  objReg.reset();
}

void frmSysTray::Form_QueryUnload(int16_t& Cancel, int16_t UnloadMode) {
  std::string strAutoShutdown = GetRegSetting("Vantorel", "Options", "AutoShutdown", "0");
  if (UnloadMode != vbAppWindows || strAutoShutdown != "1") return;

  int32_t lngAnswer = Runtime().Dialogs().MsgBox(
      "Vantorel has been set to run at ShutDown/Logoff.\r\n\r\nWould you like to run Vantorel now?",
      vbYesNo + vbQuestion + vbDefaultButton1, "Vantorel");
  if (lngAnswer != vbYes) return;
  // Without a main program there is nothing to run: the session end goes ahead.
  if (!bAppFound) return;
  if (LaunchMainProgram(strAppPath)) {
    Cancel = 1;
  } else {
    // It could not be started: say so, and let the session end go ahead.
    Runtime().Dialogs().MsgBox(LaunchError(strAppPath).what(), vbOKOnly + vbExclamation, Runtime().App().Title);
  }
}

void frmSysTray::Form_Unload(int16_t& Cancel) {
  (void)Cancel;
  (void)Runtime().Shell().Shell_NotifyIconA(NIM_DELETE, &TrayIconData);
  SaveRegSetting("Vantorel", "Options", "TrayIconActive", "0");
}

void frmSysTray::Form_MouseMove(int16_t Button, int16_t Shift, float X, float Y) {
  (void)Button;
  (void)Shift;
  (void)Y;
  // The shell's callback carries the mouse code in place of the horizontal
  // position, which the runtime has turned into the form's scale unit.
  long lngMsg = 0;
  ResumeNext([&] {
    double dblCode = ScaleMode == vbPixels ? X : X / Runtime().Windows().TwipsPerPixelX();
    dblCode = std::nearbyint(dblCode);
    if (std::isfinite(dblCode) && std::fabs(dblCode) < 2147483647.0) lngMsg = static_cast<long>(dblCode);
  });

  switch (lngMsg) {
    case WM_MOUSEMOVE:
      ResumeNext([&] { SetTrayTip(TrayTipText()); });
      ResumeNext([&] { (void)Runtime().Shell().Shell_NotifyIconA(NIM_MODIFY, &TrayIconData); });
      break;
    case WM_LBUTTONDBLCLK:
      // A launch that fails here is ignored on purpose: no message, no
      // trace; the icon simply stays (the menu's "Open" does report it).
      ResumeNext([&] { mnuOpen_Click(); });
      break;
    case WM_RBUTTONUP:
      ResumeNext([&] { RefreshRecentMenu(); });
      ResumeNext([&] { PopupMenu(mnuConfigure, vbPopupMenuRightButton); });
      break;
    default:
      break;
  }
}

void frmSysTray::RefreshRecentMenu() {
  BusyPointer busy(Runtime());
  if (!bAppFound) return;  // the recent items stay hidden

  auto objMRU = std::make_unique<clsMRUList>();
  objMRU->getRecentList();
  auto& colFiles = objMRU->fileList();
  sepRecent.Visible = colFiles.Count() >= 1;
  for (int16_t i = 1; i <= colFiles.Count() && i <= mnuFileRecent.UBound(); ++i) {
    std::string strFile = colFiles.Item(i);
    mnuFileRecent(i).Visible = true;
    std::string strCaption = "&";
    strCaption += std::to_string(i);
    strCaption += ". ";
    strCaption += objMRU->GetFileName(strFile);
    mnuFileRecent(i).Caption = strCaption;
  }
  for (int16_t i = static_cast<int16_t>(colFiles.Count() + 1); i <= mnuFileRecent.UBound(); ++i) {
    mnuFileRecent(i).Visible = false;
  }
}

bool frmSysTray::LaunchMainProgram(const std::string& strCommandLine) {
  if (strAppPath.empty()) return false;
  return Runtime().Processes().Launch(strAppPath, strCommandLine);
}

void frmSysTray::mnuOpen_Click() {
  if (!LaunchMainProgram(strAppPath)) throw LaunchError(strAppPath);
}

void frmSysTray::mnuFileRecent_Click(int16_t& Index) {
  BusyPointer busy(Runtime());
  auto objMRU = std::make_unique<clsMRUList>();
  objMRU->getRecentList();
  auto& colFiles = objMRU->fileList();
  // The list is read afresh: it may have become shorter since the menu was built.
  if (Index < 1 || Index > colFiles.Count()) return;
  // The file reaches the program as one argument, exactly as stored.
  std::optional<std::string> strArgument = QuotedArgument(colFiles.Item(Index));
  if (!strArgument) {
    throw LaunchError(strAppPath, "The recent file's name holds a double quote, which no file name can hold.");
  }
  std::string strCommandLine = strAppPath + " " + *strArgument;
  if (!LaunchMainProgram(strCommandLine)) throw LaunchError(strAppPath);
}

void frmSysTray::mnuAbout_Click() { frmAbout::Default().Show(); }

void frmSysTray::mnuClose_Click() { Unload(vbFormCode); }

void frmSysTray::mnuCloseDisable_Click() {
  SaveRegSetting("Vantorel", "Options", "TrayIcon", "0");
  // A refused removal is offered again with administrator rights, and the
  // user hears when the utility will start again; the form closes in every case.
  LONG lngResult = RemoveStartupEntry();
  RunEventHandler([&] { SettleStartupEntryRemoval(lngResult); });
  Unload(vbFormCode);
}
