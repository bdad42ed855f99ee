#include "tray/StartupEntry.h"

#include <cstring>
#include <memory>

#include "platform/RegKey.h"
#include "platform/RegPath.h"
#include "platform/WindowRuntime.h"
#include "registry/clsEasyRegistry.h"

const char* const StartupEntryKey = "\\HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const char* const StartupEntryName = "VtrSysTray";

namespace StartupEntryText {
const char* const AskElevation =
    "VtrSysTray starts for every user of this computer when they log on. Removing it from "
    "start-up needs administrator rights.\r\n\r\n"
    "Do you want to remove it from start-up now, with administrator rights?";
const char* const StartsAgain =
    "VtrSysTray will start again at the next logon. To stop that, run VtrSysTray as an "
    "administrator and choose \"Close and Disable\", or uninstall VtrSysTray.";
const char* const NotRemoved = "VtrSysTray could not be removed from start-up.\r\n\r\n";
}  // namespace StartupEntryText

namespace {

// The Run key below HKEY_LOCAL_MACHINE, from the one path the registry class uses.
std::string RunSubKey() { return std::string(SplitRootPath(StartupEntryKey).subKey); }

// Whether the Run key may be opened for writing, in the view the registry
// class uses: ERROR_SUCCESS, or why not.
LONG WriteAccessToRunKey() {
  RegKey runKey;
  return runKey.Open(HKEY_LOCAL_MACHINE, RunSubKey(), KEY_SET_VALUE);
}

}  // namespace

LONG RemoveStartupEntry() {
  auto objReg = std::make_unique<clsEasyRegistry>();
  objReg->SuppressErrors(true);
  objReg->Cd(StartupEntryKey);
  if (objReg->lastError() != ERROR_SUCCESS) return objReg->lastError();  // no key, nothing to remove
  objReg->DeleteValue(StartupEntryName);
  LONG lngResult = objReg->lastError();
  if (lngResult == ERROR_SUCCESS || lngResult == ERROR_FILE_NOT_FOUND) return lngResult;
  // When the key does not open for writing the class is left without a
  // current key, and its last error names the missing handle, not the
  // refusal: the registry says why.
  LONG lngAccess = WriteAccessToRunKey();
  return lngAccess != ERROR_SUCCESS ? lngAccess : lngResult;
}

bool StartupEntryPresent() {
  try {
    auto objReg = std::make_unique<clsEasyRegistry>();
    objReg->SuppressErrors(true);
    objReg->Cd(StartupEntryKey);
    if (objReg->lastError() == ERROR_FILE_NOT_FOUND) return false;
    int32_t lngValueType = 0;
    (void)objReg->ValueOf(StartupEntryName, lngValueType);
    // Only a missing value counts as gone: a read that fails otherwise
    // proves nothing, and the user had better hear that it may start again.
    return objReg->lastError() != ERROR_FILE_NOT_FOUND;
  } catch (...) {
    return true;  // there, in a form the registry class does not read
  }
}

// Windows' own registry tool rather than a switch of the utility's: the
// utility takes no arguments and stays so, nothing of ours ever runs with
// administrator rights, and the elevation prompt names a program of
// Windows. Its full path, so that no reg.exe elsewhere on the search path
// is the one raised.
std::string ElevatedRemovalProgram(const std::string& strWindowsDirectory) {
  std::string strFolder = strWindowsDirectory;
  if (!strFolder.empty() && strFolder.back() == '\\') strFolder.pop_back();
  return strFolder + "\\System32\\reg.exe";
}

std::string ElevatedRemovalParameters() {
  // The view this program reads and the installer writes: the 32-bit one for
  // the shipped 32-bit program, whichever reg.exe the system starts.
  const char* strView = sizeof(void*) == 4 ? "/reg:32" : "/reg:64";
  return "delete \"HKLM\\" + RunSubKey() + "\" /v " + StartupEntryName + " /f " + strView;
}

void SettleStartupEntryRemoval(LONG lngResult) {
  if (lngResult != ERROR_ACCESS_DENIED) return;  // removed, or nothing to remove

  WindowRuntime& runtime = Runtime();
  const std::string strTitle = runtime.App().Title;
  int32_t lngAnswer = runtime.Dialogs().MsgBox(StartupEntryText::AskElevation, vbYesNo + vbQuestion + vbDefaultButton1, strTitle);
  if (lngAnswer != vbYes) {
    runtime.Dialogs().MsgBox(StartupEntryText::StartsAgain, vbOKOnly + vbInformation, strTitle);
    return;
  }

  char strBuffer[256] = {};
  (void)runtime.Processes().GetWindowsDirectoryA(strBuffer, 255);
  std::string strWinDir(strBuffer, ::strnlen(strBuffer, 255));
  ElevatedRun run = runtime.Processes().RunElevated(ElevatedRemovalProgram(strWinDir), ElevatedRemovalParameters());
  // The registry says whether it worked, whatever the tool answered.
  if (!StartupEntryPresent()) return;
  if (run.Error == ERROR_CANCELLED) {
    runtime.Dialogs().MsgBox(StartupEntryText::StartsAgain, vbOKOnly + vbInformation, strTitle);
  } else {
    runtime.Dialogs().MsgBox(std::string(StartupEntryText::NotRemoved) + StartupEntryText::StartsAgain,
                   vbOKOnly + vbExclamation, strTitle);
  }
}
