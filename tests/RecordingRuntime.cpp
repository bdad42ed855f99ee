#include "tests/RecordingRuntime.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::optional<std::string> Text(LPCSTR text) {
  if (text == nullptr) return std::nullopt;
  return std::string(text);
}

std::string Hex(uintptr_t value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "0x%lx", static_cast<unsigned long>(value));
  return buffer;
}

}  // namespace

uintptr_t RecordingRuntime::nextHandle_ = 0x10010;

RecordingRuntime::RecordingRuntime() : previous_(SetRuntime(this)) {}

RecordingRuntime::~RecordingRuntime() { SetRuntime(previous_); }

void RecordingRuntime::Record(std::string call) {
  Calls.push_back(call);
  if (OnCall) OnCall(call);
}

void RecordingRuntime::ChoosePopupItem(const std::string& name, int16_t index) {
  popupChoices_.push_back(PopupChoice{false, name, index});
}

void RecordingRuntime::DismissPopup() { popupChoices_.push_back(PopupChoice{true, "", MenuItem::NoIndex}); }

std::vector<std::string> RecordingRuntime::CallsStartingWith(const std::string& prefix) const {
  std::vector<std::string> found;
  for (const std::string& call : Calls) {
    if (call.compare(0, prefix.size(), prefix) == 0) found.push_back(call);
  }
  return found;
}

void RecordingRuntime::CreateFormWindow(Form& form) {
  HWND window = reinterpret_cast<HWND>(nextHandle_);
  HICON icon = reinterpret_cast<HICON>(nextHandle_ + 8);
  nextHandle_ += 0x10;
  form.AttachWindow(window, icon);
  ++WindowsCreated;
  Record("CreateFormWindow " + form.Name());
}

void RecordingRuntime::ShowForm(Form& form) {
  ShownForms.push_back(form.Name());
  Record("ShowForm " + form.Name());
}

void RecordingRuntime::UpdateFormWindow(Form& form) {
  Record("UpdateFormWindow " + form.Name() + " ShowInTaskbar=" +
                  (form.ShowInTaskbar ? "1" : "0"));
}

void RecordingRuntime::DestroyFormWindow(Form& form) {
  ++WindowsDestroyed;
  Record("DestroyFormWindow " + form.Name());
}

void RecordingRuntime::LastFormUnloaded() {
  Ended = true;
  Record("LastFormUnloaded");
}

MenuItem* RecordingRuntime::ShowPopupMenu(Form& owner, MenuItem& menu, int32_t Flags) {
  (void)owner;
  PopupSnapshot snapshot;
  for (const MenuItem* item : menu.Items) {
    snapshot.push_back(MenuItemState{item->Name, item->Index, item->Caption, item->Visible, item->Enabled});
  }
  Popups.push_back(snapshot);
  PopupFlags.push_back(Flags);
  Record("PopupMenu " + menu.Name);

  if (popupChoices_.empty()) return nullptr;
  PopupChoice choice = popupChoices_.front();
  popupChoices_.pop_front();
  if (choice.Dismiss) return nullptr;
  for (MenuItem* item : menu.Items) {
    // A person can pick only what the menu shows and allows.
    if (item->Name == choice.Name && item->Index == choice.Index && item->Visible && item->Enabled &&
        !item->IsSeparator()) {
      return item;
    }
  }
  return nullptr;
}

int32_t RecordingRuntime::MsgBox(const std::string& Prompt, int32_t Buttons, const std::string& Title) {
  int32_t answer = (Buttons & 0xF) == vbYesNo ? vbNo : vbOK;
  if (!MsgBoxAnswers.empty()) {
    answer = MsgBoxAnswers.front();
    MsgBoxAnswers.pop_front();
  }
  MsgBoxes.push_back(MsgBoxCall{Prompt, Buttons, Title, answer});
  Record("MsgBox " + std::to_string(Buttons) + " " + Title);
  return answer;
}

bool RecordingRuntime::Launch(const std::string& ProgramPath, const std::string& CommandLine) {
  bool started = !ProgramPath.empty() && FailingPrograms.count(ProgramPath) == 0;
  Launches.push_back(LaunchCall{ProgramPath, CommandLine, started});
  Record("Launch " + CommandLine);
  return started;
}

ElevatedRun RecordingRuntime::RunElevated(const std::string& ProgramPath, const std::string& Parameters) {
  ElevatedRun answer{static_cast<DWORD>(ERROR_CANCELLED), 0};
  if (!ElevatedAnswers.empty()) {
    answer = ElevatedAnswers.front();
    ElevatedAnswers.pop_front();
  }
  ElevatedRuns.push_back(ElevatedCall{ProgramPath, Parameters});
  Record("RunElevated " + ProgramPath + " " + Parameters);
  return answer;
}

bool RecordingRuntime::FileExists(const std::string& Path) {
  Record("FileExists " + Path);
  std::string wanted = Lower(Path);
  return std::any_of(ExistingFiles.begin(), ExistingFiles.end(),
                     [&](const std::string& file) { return Lower(file) == wanted; });
}

std::string RecordingRuntime::AppPath() { return AppFolder; }

AppInfo RecordingRuntime::App() const { return Version ? *Version : WindowRuntime::App(); }

BOOL RecordingRuntime::Shell_NotifyIconA(DWORD dwMessage, PNOTIFYICONDATAA lpData) {
  IconCall call{};
  call.Message = dwMessage;
  const auto* bytes = reinterpret_cast<const uint8_t*>(lpData);
  call.Bytes.assign(bytes, bytes + lpData->cbSize);
  call.cbSize = lpData->cbSize;
  call.hWnd = lpData->hWnd;
  call.uID = lpData->uID;
  call.uFlags = lpData->uFlags;
  call.uCallbackMessage = lpData->uCallbackMessage;
  call.hIcon = lpData->hIcon;
  call.Tip.assign(lpData->szTip, 64);
  // What a reader of szTip as a C string meets after the field.
  const char* tip = lpData->szTip;
  call.ZeroAfterTip = tip[64] == '\0';
  IconCalls.push_back(call);
  Record("Shell_NotifyIconA " + std::to_string(dwMessage));
  return TRUE;
}

HINSTANCE RecordingRuntime::ShellExecuteA(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters,
                                          LPCSTR lpDirectory, INT nShowCmd) {
  ShellExecutes.push_back(
      ShellExecuteCall{hwnd, Text(lpOperation), Text(lpFile), Text(lpParameters), Text(lpDirectory), nShowCmd});
  Record("ShellExecuteA " + Hex(reinterpret_cast<uintptr_t>(hwnd)) + " " +
                  (lpFile != nullptr ? lpFile : "(null)"));
  return reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(42));  // above 32: success
}

UINT RecordingRuntime::GetWindowsDirectoryA(LPSTR lpBuffer, UINT uSize) {
  Record("GetWindowsDirectoryA " + std::to_string(uSize));
  UINT length = static_cast<UINT>(WindowsDirectory.size());
  if (lpBuffer == nullptr || uSize <= length) return length + 1;
  std::memcpy(lpBuffer, WindowsDirectory.c_str(), length + 1);
  return length;
}

void RecordingRuntime::ShowMousePointer(int16_t shape) {
  PointerShapes.push_back(shape);
  Record("MousePointer " + std::to_string(shape));
}
