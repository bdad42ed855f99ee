#include "tests/RecordingRuntime.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "platform/Strings.h"
#include "platform/TrayIconRecord.h"

uintptr_t RecordingRuntime::nextHandle_ = 0x10010;

namespace {

// The next scripted answer, or the usual one when none is left.
template <class T>
T Next(std::deque<T>& answers, T usual) {
  if (answers.empty()) return usual;
  T answer = answers.front();
  answers.pop_front();
  return answer;
}

}  // namespace

std::vector<std::string> RecordingRuntime::CallsStartingWith(const std::string& prefix) const {
  std::vector<std::string> found;
  std::copy_if(Calls.begin(), Calls.end(), std::back_inserter(found),
               [&](const std::string& call) { return call.rfind(prefix, 0) == 0; });
  return found;
}

void RecordingRuntime::CreateFormWindow(Form& form) {
  form.AttachWindow(reinterpret_cast<HWND>(nextHandle_), reinterpret_cast<HICON>(nextHandle_ + 8));
  nextHandle_ += 0x10;
  Record("CreateFormWindow " + form.Name());
}

MenuItem* RecordingRuntime::ShowPopupMenu(Form&, MenuItem& menu, int32_t Flags) {
  Record("PopupMenu " + menu.Name + " " + std::to_string(Flags));
  // Dismissed when nothing is scripted.
  const auto [name, index] = Next(popupChoices_, std::pair<std::string, int16_t>("", MenuItem::NoIndex));
  // A person can pick only what the menu shows and allows.
  for (MenuItem* item : menu.Items)
    if (item->Name == name && item->Index == index && item->Visible && item->Enabled && !item->IsSeparator())
      return item;
  return nullptr;
}

int32_t RecordingRuntime::MsgBox(const std::string& Prompt, int32_t Buttons, const std::string& Title) {
  const int32_t answer = Next<int32_t>(MsgBoxAnswers, (Buttons & 0xF) == vbYesNo ? vbNo : vbOK);
  Record("MsgBox " + std::to_string(Buttons) + " " + Title + ": " + Prompt);
  return answer;
}

bool RecordingRuntime::Launch(const std::string& ProgramPath, const std::string& CommandLine) {
  Record("Launch " + CommandLine);
  return !ProgramPath.empty() && FailingPrograms.count(ProgramPath) == 0;
}

ElevatedRun RecordingRuntime::RunElevated(const std::string& ProgramPath, const std::string& Parameters) {
  const ElevatedRun answer = Next(ElevatedAnswers, ElevatedRun{static_cast<DWORD>(ERROR_CANCELLED), 0});
  Record("RunElevated " + ProgramPath + " " + Parameters);
  return answer;
}

bool RecordingRuntime::FileExists(const std::string& Path) {
  Record("FileExists " + Path);
  return std::any_of(ExistingFiles.begin(), ExistingFiles.end(),
                     [&](const std::string& file) { return LCaseAscii(file) == LCaseAscii(Path); });
}

BOOL RecordingRuntime::Shell_NotifyIconA(DWORD dwMessage, PNOTIFYICONDATAA lpData) {
  // What a reader of szTip as a C string meets after the field: the byte
  // behind the record, which the program's record reaches past (read as
  // bytes of the record, not as szTip[64], which the compiler rightly refuses).
  const char* afterTip = reinterpret_cast<const char*>(lpData) + offsetof(NOTIFYICONDATAA, szTip) + sizeof lpData->szTip;
  IconCalls.push_back(IconCall{dwMessage, lpData->hWnd, ShellRecord(*lpData).Tip(), *afterTip == '\0'});
  Record("Shell_NotifyIconA " + std::to_string(dwMessage));
  return TRUE;
}

HINSTANCE RecordingRuntime::ShellExecuteA(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters,
                                          LPCSTR lpDirectory, INT nShowCmd) {
  std::string call = "ShellExecuteA";
  for (const Form* form : LoadedForms())
    if (form->hWnd() == hwnd) call += " " + form->Name();
  for (LPCSTR text : {lpOperation, lpFile, lpParameters, lpDirectory}) call += std::string(" ") + (text ? text : "(null)");
  Record(call + " " + std::to_string(nShowCmd));
  return reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(42));  // above 32: success
}

UINT RecordingRuntime::GetWindowsDirectoryA(LPSTR lpBuffer, UINT uSize) {
  Record("GetWindowsDirectoryA " + std::to_string(uSize));
  return CopyOutText(WindowsDirectory, lpBuffer, uSize);
}
